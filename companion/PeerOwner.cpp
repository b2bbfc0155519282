#include "companion/PeerOwner.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstring>
#include <unistd.h>

namespace {

// One end of a connection as the kernel tables name it: an IPv4 address (also
// one mapped into IPv6) as AF_INET, so that both ends agree.
struct Endpoint {
    int family = AF_UNSPEC;
    std::array<quint32, 4> address{}; // network byte order, as in struct in6_addr
    quint16 port = 0;                 // host byte order
};

std::optional<Endpoint> endpointOf(const sockaddr_storage& storage) {
    Endpoint endpoint;
    if (storage.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(storage);
        endpoint.family = AF_INET;
        endpoint.address[0] = v4.sin_addr.s_addr;
        endpoint.port = ntohs(v4.sin_port);
        return endpoint;
    }
    if (storage.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(storage);
        endpoint.port = ntohs(v6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            endpoint.family = AF_INET;
            std::memcpy(&endpoint.address[0], &v6.sin6_addr.s6_addr[12], 4);
        } else {
            endpoint.family = AF_INET6;
            std::memcpy(endpoint.address.data(), &v6.sin6_addr, 16);
        }
        return endpoint;
    }
    return std::nullopt;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

enum class Lookup { Found, NotFound, Unavailable };

// Asks for the one socket whose local end is peer and remote end is local.
Lookup askSockDiag(const Endpoint& peer, const Endpoint& local, uid_t& owner) {
    const Descriptor netlink(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (netlink.get() < 0) {
        return Lookup::Unavailable;
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.request.sdiag_family = quint8(peer.family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0U;
    message.request.id.idiag_sport = htons(peer.port);
    message.request.id.idiag_dport = htons(local.port);
    std::memcpy(message.request.id.idiag_src, peer.address.data(), 16);
    std::memcpy(message.request.id.idiag_dst, local.address.data(), 16);
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(netlink.get(), &message, sizeof(message), 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof(kernel)) < 0) {
        return Lookup::Unavailable;
    }
    alignas(nlmsghdr) char buffer[8192];
    const ssize_t received = ::recv(netlink.get(), buffer, sizeof(buffer), 0);
    if (received < 0) {
        return Lookup::Unavailable;
    }
    int remaining = int(received);
    for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == NLMSG_ERROR) {
            const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
            return error->error == -ENOENT ? Lookup::NotFound : Lookup::Unavailable;
        }
        if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY) {
            continue;
        }
        const auto* answer = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
        if (ntohs(answer->id.idiag_sport) == peer.port && ntohs(answer->id.idiag_dport) == local.port) {
            owner = answer->idiag_uid;
            return Lookup::Found;
        }
    }
    return Lookup::NotFound;
}

// "0100007F:1F90": the address as the kernel's words in host order, hex.
QByteArray procAddress(const Endpoint& endpoint) {
    QByteArray text;
    const int words = endpoint.family == AF_INET ? 1 : 4;
    for (int i = 0; i < words; ++i) {
        text += QByteArray::number(endpoint.address[size_t(i)], 16).rightJustified(8, '0').toUpper();
    }
    return text + ':' + QByteArray::number(endpoint.port, 16).rightJustified(4, '0').toUpper();
}

Lookup scanProcTable(const QString& path, const QByteArray& wantedLocal, const QByteArray& wantedRemote,
                     uid_t& owner) {
    QFile table(path);
    if (!table.open(QIODevice::ReadOnly)) {
        return Lookup::Unavailable;
    }
    table.readLine(); // the column names
    while (!table.atEnd()) {
        // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid …
        const QList<QByteArray> fields = table.readLine().simplified().split(' ');
        if (fields.size() > 7 && fields.at(1) == wantedLocal && fields.at(2) == wantedRemote) {
            owner = uid_t(fields.at(7).toUInt());
            return Lookup::Found;
        }
    }
    return Lookup::NotFound;
}

Lookup askProc(const Endpoint& peer, const Endpoint& local, uid_t& owner) {
    const QString path =
        peer.family == AF_INET ? QStringLiteral("/proc/net/tcp") : QStringLiteral("/proc/net/tcp6");
    // The kernel hands the table out in pages; connections opening and closing
    // between two reads can shift a live entry past the reader, so look again.
    Lookup lookup = Lookup::NotFound;
    for (int attempt = 0; attempt < 5 && lookup == Lookup::NotFound; ++attempt) {
        lookup = scanProcTable(path, procAddress(peer), procAddress(local), owner);
    }
    return lookup;
}

} // namespace

namespace PeerOwner {

std::optional<uid_t> ofConnection(int socketDescriptor, Source source) {
    sockaddr_storage localAddress{};
    sockaddr_storage peerAddress{};
    socklen_t localLength = sizeof(localAddress);
    socklen_t peerLength = sizeof(peerAddress);
    if (::getsockname(socketDescriptor, reinterpret_cast<sockaddr*>(&localAddress), &localLength) != 0 ||
        ::getpeername(socketDescriptor, reinterpret_cast<sockaddr*>(&peerAddress), &peerLength) != 0) {
        return std::nullopt;
    }
    const std::optional<Endpoint> local = endpointOf(localAddress);
    const std::optional<Endpoint> peer = endpointOf(peerAddress);
    if (!local || !peer || local->family != peer->family) {
        return std::nullopt;
    }
    uid_t owner = 0;
    Lookup lookup = source == Source::ProcTable ? Lookup::Unavailable : askSockDiag(*peer, *local, owner);
    if (lookup == Lookup::Unavailable && source != Source::SockDiag) {
        lookup = askProc(*peer, *local, owner);
    }
    return lookup == Lookup::Found ? std::optional<uid_t>(owner) : std::nullopt;
}

} // namespace PeerOwner
