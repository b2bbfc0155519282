#pragma once

#include "companion/HttpLimits.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// Watches the bytes of one connection ahead of the HTTP parser. It answers
// itself (and closes) a request whose request line is not HTTP, whose head or
// declared body is too large, whose head is too slow, or that comes from a
// user who may not use the runtime, so that the parser never buffers it; it
// closes a connection left idle, and one whose request asked for it
// (Connection: close, HTTP/1.0) once the answer is written. It must see
// readyRead before the parser does: connect it before the server takes the socket.
class ConnectionLimiter : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the socket. With a refusal, the connection's first
    // request is answered 403 with that sentence.
    ConnectionLimiter(QTcpSocket* socket, HttpLimits limits, QString refusal = {});

    // The limiter of a socket, if it has one.
    static ConnectionLimiter* of(QTcpSocket* socket);

    // Whether the oldest request waiting for its answer asked to close afterwards.
    bool closesAfterAnswer() const;
    // The oldest request waiting has been answered (its answer is written).
    void answered();
    // Closes the connection once no request on it waits for an answer; no new one is read.
    void closeWhenIdle();

private:
    enum class Stage { Head, Body, Refused };

    void inspect();
    // Consumes one request head; returns false when the request was refused.
    bool acceptHead(const QByteArray& head);
    void refuse(int status, QByteArrayView reason, const QString& sentence, qint64 bodyToDrain);
    void drain();
    void requestComplete();
    // Arms the timer for what the connection waits for now.
    void rearm();
    void timedOut();

    QTcpSocket* m_socket;
    HttpLimits m_limits;
    QString m_refusal;
    QTimer* m_timer;
    Stage m_stage = Stage::Head;
    QByteArray m_head;
    qint64 m_bodyLeft = 0;
    qint64 m_drainLeft = 0;
    // Bytes of the chunk being inspected up to the end of the last head.
    qint64 m_consumedInChunk = 0;
    // One entry per complete request not answered yet: whether it asked to close.
    QList<bool> m_waiting;
    bool m_closeOnAnswer = false; // the request being read asked to close
    bool m_closing = false;
    // The header timeout runs for the head being read (from the opening, for the first).
    bool m_headDue = true;
};
