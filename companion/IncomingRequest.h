#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

class QHttpServerRequest;

// A copy of what a handler needs from a request. The server's own request
// object lives only as long as its connection, and handlers may outlive that.
struct IncomingRequest {
    QByteArray method; // upper case: GET, POST, …
    QString path;
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;
    QHostAddress remoteAddress;
    QHostAddress localAddress; // the address of this machine the request came to

    static IncomingRequest from(const QHttpServerRequest& request);

    // The first value of a header (name in lower case), empty when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
};
