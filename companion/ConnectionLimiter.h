#pragma once

#include "companion/HttpLimits.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

// Watches the bytes of one connection ahead of the HTTP parser and answers a
// request whose head or declared body is too large itself, so that the
// parser never buffers it. It must see readyRead before the parser does:
// connect it before the server takes the socket.
class ConnectionLimiter : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the socket.
    ConnectionLimiter(QTcpSocket* socket, HttpLimits limits);

private:
    enum class Stage { Head, Body, Refused };

    void inspect();
    // Consumes one request head; returns false when the request was refused.
    bool acceptHead(const QByteArray& head);
    void refuse(int status, QByteArrayView reason, const QString& sentence, qint64 bodyToDrain);
    void drain();

    QTcpSocket* m_socket;
    HttpLimits m_limits;
    Stage m_stage = Stage::Head;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;
    qint64 m_drainLeft = 0;
    // Bytes of the chunk being inspected up to the end of the last head.
    qint64 m_consumedInChunk = 0;
};
