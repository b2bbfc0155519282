#pragma once

#include "companion/HttpLimits.h"

#include <QTcpServer>

// A listening socket for a QHttpServer that puts a ConnectionLimiter on every
// connection before the server sees it.
class LimitedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    explicit LimitedTcpServer(HttpLimits limits, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    HttpLimits m_limits;
};
