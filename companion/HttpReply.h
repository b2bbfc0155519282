#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// One answer of the runtime's HTTP services.
struct HttpReply {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> extraHeaders;

    static HttpReply json(QByteArray body, int status = 200);
    // Failures are one plain-text sentence, written for the person who reads it.
    static HttpReply text(int status, const QString& sentence);
    static HttpReply html(QByteArray body);
};
