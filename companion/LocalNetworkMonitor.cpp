#include "companion/LocalNetworkMonitor.h"

#include <QNetworkInterface>
#include <QRandomGenerator>

namespace {

QString familyOf(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("ipv6")
                                                               : QStringLiteral("ipv4");
}

} // namespace

LocalNetworkMonitor::LocalNetworkMonitor() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    m_nonce = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof(words)).toHex());
}

void LocalNetworkMonitor::listenerStarted(quint16 port) {
    m_port = port;
    m_lastError.reset();
}

void LocalNetworkMonitor::listenerFailed(const QString& sentence) {
    m_port = 0;
    m_lastError = sentence;
}

LocalNetworkSnapshot LocalNetworkMonitor::snapshot() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!m_lastRefreshedAt ||
        m_lastRefreshedAt->msecsTo(now) >= std::chrono::milliseconds(refreshInterval).count()) {
        m_interfaces = readInterfaces();
        m_lastRefreshedAt = now;
    }
    LocalNetworkSnapshot snapshot;
    snapshot.listenPort = m_port;
    snapshot.lanNonce = m_nonce;
    snapshot.lastError = m_lastError;
    snapshot.interfaces = m_interfaces;
    snapshot.candidates =
        isListenerReady() ? candidatesFor(m_interfaces, m_port) : QList<LocalNetworkCandidate>{};
    snapshot.lastRefreshedAt = m_lastRefreshedAt;
    return snapshot;
}

QList<LocalNetworkInterface> LocalNetworkMonitor::readInterfaces() {
    QList<LocalNetworkInterface> interfaces;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : all) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            QHostAddress address = entry.ip();
            if (address.isNull() || address.isLoopback()) {
                continue;
            }
            address.setScopeId({});
            const QString host = address.toString();
            interfaces.append({interface.name(), host, host + u'/' + QString::number(entry.prefixLength()),
                               familyOf(address)});
        }
    }
    return interfaces;
}

QList<LocalNetworkCandidate>
LocalNetworkMonitor::candidatesFor(const QList<LocalNetworkInterface>& interfaces, quint16 port) {
    QList<LocalNetworkCandidate> candidates;
    for (const LocalNetworkInterface& interface : interfaces) {
        if (QHostAddress(interface.host).isLinkLocal()) {
            continue;
        }
        const LocalNetworkCandidate candidate{interface.host, port, interface.family};
        if (!candidates.contains(candidate)) {
            candidates.append(candidate);
        }
    }
    return candidates;
}
