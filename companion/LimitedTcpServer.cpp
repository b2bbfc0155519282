#include "companion/LimitedTcpServer.h"

#include "companion/ConnectionLimiter.h"
#include "companion/PeerOwner.h"

#include <QTcpSocket>
#include <sys/socket.h>

#include <unistd.h>

namespace {

void refuseAtOnce(qintptr descriptor) {
    static const QByteArray sentence("The companion has too many connections; try again later.");
    static const QByteArray answer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; "
                                     "charset=utf-8\r\nContent-Length: " +
                                     QByteArray::number(sentence.size()) + "\r\nConnection: close\r\n\r\n" +
                                     sentence;
    // Never waits: a peer that does not read gets nothing.
    [[maybe_unused]] const ssize_t sent =
        ::send(int(descriptor), answer.data(), size_t(answer.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(int(descriptor));
}

} // namespace

LimitedTcpServer::LimitedTcpServer(HttpLimits limits, QObject* parent)
    : QTcpServer(parent), m_limits(limits) {}

void LimitedTcpServer::incomingConnection(qintptr descriptor) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    QHostAddress peer = ::getpeername(int(descriptor), reinterpret_cast<sockaddr*>(&address), &length) == 0
                            ? QHostAddress(reinterpret_cast<const sockaddr*>(&address))
                            : QHostAddress();
    bool mapped = false;
    const quint32 v4 = peer.toIPv4Address(&mapped); // an IPv4 peer of a dual-stack listener counts as itself
    if (mapped) {
        peer = QHostAddress(v4);
    }
    if (m_open >= m_limits.maxConnections ||
        (m_limits.maxConnectionsPerAddress > 0 &&
         m_openByAddress.value(peer) >= m_limits.maxConnectionsPerAddress)) {
        refuseAtOnce(descriptor);
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    ++m_open;
    ++m_openByAddress[peer];
    // Emitted once per connection.
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket, peer] {
        --m_open;
        if (--m_openByAddress[peer] <= 0) {
            m_openByAddress.remove(peer);
        }
        socket->deleteLater();
    });
    m_limiters.removeIf([](const QPointer<ConnectionLimiter>& limiter) { return limiter.isNull(); });
    m_limiters.append(
        new ConnectionLimiter(socket, m_limits, refusalFor(descriptor, peer, socket->localAddress())));
    addPendingConnection(socket);
}

QString LimitedTcpServer::refusalFor(qintptr descriptor, const QHostAddress& peer,
                                     const QHostAddress& local) const {
    // A peer on another machine has no user here; one on this machine reaches
    // the listener from a loopback address or from the address it dialled.
    const bool localPeer = peer.isLoopback() || peer.isEqual(local, QHostAddress::TolerantConversion);
    if (m_limits.ownerCheck == HttpLimits::OwnerCheck::LocalPeers && !localPeer) {
        return {};
    }
    const std::optional<uid_t> owner = PeerOwner::ofConnection(int(descriptor));
    if (owner && *owner == ::getuid()) {
        return {};
    }
    return owner ? QStringLiteral("Only the user who runs the companion may use it; this connection comes "
                                  "from another user of this computer.")
                 : QStringLiteral("Only the user who runs the companion may use it; the user of this "
                                  "connection could not be found.");
}

void LimitedTcpServer::closeConnectionsWhenIdle() {
    for (const QPointer<ConnectionLimiter>& limiter : std::as_const(m_limiters)) {
        if (limiter) {
            limiter->closeWhenIdle();
        }
    }
}
