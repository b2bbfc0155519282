#include "companion/ShutdownSignals.h"

#include "common/UserFacingError.h"

#include <QSocketNotifier>
#include <sys/signalfd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

sigset_t shutdownSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    // A closed terminal stops the runtime as cleanly as a request to stop.
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

void ShutdownSignals::blockDelivery() {
    const sigset_t set = shutdownSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    const sigset_t set = shutdownSignalSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        throw PlatformError(QStringLiteral("Cannot watch for shutdown signals: %1.")
                                .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readPending);
}

ShutdownSignals::~ShutdownSignals() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void ShutdownSignals::readPending() {
    signalfd_siginfo info;
    while (::read(m_fd, &info, sizeof(info)) == ssize_t(sizeof(info))) {
        Q_EMIT received(int(info.ssi_signo));
    }
}
