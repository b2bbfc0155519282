#pragma once

#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>

// Whether a panel can show the tray icon, and when that changes: a
// StatusNotifierItem host registering on the session bus is seen at once; an
// XEmbed tray appearing is found by a slow poll that runs only while there is
// none (Qt then docks the icon by itself).
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultPollInterval{2000};

    explicit TrayHostWatcher(std::chrono::milliseconds pollInterval = defaultPollInterval,
                             QObject* parent = nullptr);

    bool isAvailable() const noexcept { return m_available; }

Q_SIGNALS:
    void availabilityChanged(bool available);

private:
    void recheck();

    QDBusServiceWatcher m_statusNotifierWatcher;
    QTimer m_poll;
    bool m_available = false;
};
