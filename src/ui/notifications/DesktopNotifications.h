#pragma once

#include "system/NotificationKind.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

// Sends notifications to the desktop's notification server
// (org.freedesktop.Notifications) and reports clicks on them. Without a server
// nothing happens: calls fail quietly (logged at debug level).
class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);

    void show(NotificationKind kind, const QString& summary, const QString& body);

Q_SIGNALS:
    // The user clicked a notification this object sent.
    void activated(NotificationKind kind);

private Q_SLOTS:
    void handleActionInvoked(uint id, const QString& action);
    void handleClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QHash<uint, NotificationKind> m_shown;
};
