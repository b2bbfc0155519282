#pragma once

#include "companion/HttpLimits.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>

class ConnectionLimiter;

// A listening socket for a QHttpServer that puts a ConnectionLimiter on every
// connection before the server sees it, holds the listener's connection limits
// (a connection over them is answered 503 and closed at once) and finds out,
// once per connection, whether its peer's user may use the runtime.
class LimitedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    explicit LimitedTcpServer(HttpLimits limits, QObject* parent = nullptr);

    // Closes every connection once its requests are answered; no new request is read.
    void closeConnectionsWhenIdle();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    // Empty when the peer may use the runtime, else the sentence of the 403.
    QString refusalFor(qintptr descriptor, const QHostAddress& peer, const QHostAddress& local) const;

    HttpLimits m_limits;
    int m_open = 0;
    QHash<QHostAddress, int> m_openByAddress;
    QList<QPointer<ConnectionLimiter>> m_limiters;
};
