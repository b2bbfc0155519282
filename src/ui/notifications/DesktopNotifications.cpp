#include "ui/notifications/DesktopNotifications.h"

#include "common/LogCategories.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The action a server invokes when the notification itself is clicked.
const QString defaultAction = QStringLiteral("default");

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(handleActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(handleClosed(uint, uint)));
}

void DesktopNotifications::show(NotificationKind kind, const QString& summary, const QString& body) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QCoreApplication::organizationDomain()}};
    call << QCoreApplication::applicationName() << uint(0) << QString() << summary << body
         << QStringList{defaultAction, tr("Open")} << hints << int(-1);

    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, kind] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            qCDebug(lcUi) << "No notification shown:" << reply.error().message();
            return;
        }
        m_shown.insert(reply.value(), kind);
    });
}

void DesktopNotifications::handleActionInvoked(uint id, const QString& action) {
    const auto shown = m_shown.constFind(id);
    if (shown == m_shown.constEnd() || action != defaultAction) {
        return;
    }
    Q_EMIT activated(*shown);
}

void DesktopNotifications::handleClosed(uint id, uint /*reason*/) {
    m_shown.remove(id);
}
