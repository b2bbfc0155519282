#pragma once

#include "runtime/LocalNetworkSnapshot.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// What the phone needs to find this computer on the local network: the
// listener's port, the machine's addresses and a nonce that changes with
// every start (so a phone can tell a restarted runtime from a stale answer).
class LocalNetworkMonitor {
public:
    // Interfaces come and go (Wi-Fi, VPN); they are read again when older than this.
    static constexpr std::chrono::seconds refreshInterval{30};

    LocalNetworkMonitor();

    void listenerStarted(quint16 port);
    void listenerFailed(const QString& sentence);
    bool isListenerReady() const noexcept { return m_port != 0; }
    quint16 listenerPort() const noexcept { return m_port; }
    const QString& nonce() const noexcept { return m_nonce; }

    LocalNetworkSnapshot snapshot();

    // Addresses of interfaces that are up, loopback left out.
    static QList<LocalNetworkInterface> readInterfaces();
    // One candidate per address a phone can dial (IPv6 link-local addresses need
    // a scope a phone cannot know, so they are left out).
    static QList<LocalNetworkCandidate> candidatesFor(const QList<LocalNetworkInterface>& interfaces,
                                                      quint16 port);

private:
    QString m_nonce;
    quint16 m_port = 0;
    std::optional<QString> m_lastError;
    QList<LocalNetworkInterface> m_interfaces;
    std::optional<QDateTime> m_lastRefreshedAt;
};
