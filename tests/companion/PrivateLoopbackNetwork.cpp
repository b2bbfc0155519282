#include "PrivateLoopbackNetwork.h"

#include <QFile>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <unistd.h>

namespace {

bool writeProcFile(const char* path, const QByteArray& content) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString systemError(const char* what) {
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString enterPrivateLoopbackNetwork() {
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray gid = QByteArray::number(::getgid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        return systemError("unshare");
    }
    // The same ids inside, so the daemons do not run as root there.
    if (!writeProcFile("/proc/self/setgroups", "deny") ||
        !writeProcFile("/proc/self/uid_map", uid + ' ' + uid + " 1") ||
        !writeProcFile("/proc/self/gid_map", gid + ' ' + gid + " 1")) {
        return QStringLiteral("cannot map user and group ids into the new namespace");
    }
    const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket < 0) {
        return systemError("socket");
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = ::ioctl(socket, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ::ioctl(socket, SIOCSIFFLAGS, &request) == 0);
    const QString failure = up ? QString() : systemError("bringing up lo");
    ::close(socket);
    return failure;
}
