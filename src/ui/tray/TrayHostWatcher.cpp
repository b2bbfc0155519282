#include "ui/tray/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QSystemTrayIcon>

TrayHostWatcher::TrayHostWatcher(std::chrono::milliseconds pollInterval, QObject* parent)
    : QObject(parent),
      m_statusNotifierWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), QDBusConnection::sessionBus(),
                              QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&m_statusNotifierWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &TrayHostWatcher::recheck);
    m_poll.setInterval(pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &TrayHostWatcher::recheck);
    m_available = QSystemTrayIcon::isSystemTrayAvailable();
    if (!m_available) {
        m_poll.start();
    }
}

void TrayHostWatcher::recheck() {
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available) {
        m_poll.stop();
    } else {
        m_poll.start();
    }
    if (available != m_available) {
        m_available = available;
        Q_EMIT availabilityChanged(available);
    }
}
