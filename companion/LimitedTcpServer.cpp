#include "companion/LimitedTcpServer.h"

#include "companion/ConnectionLimiter.h"

#include <QTcpSocket>

LimitedTcpServer::LimitedTcpServer(HttpLimits limits, QObject* parent)
    : QTcpServer(parent), m_limits(limits) {}

void LimitedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    new ConnectionLimiter(socket, m_limits);
    addPendingConnection(socket);
}
