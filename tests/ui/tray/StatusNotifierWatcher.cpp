#include "StatusNotifierWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

const QString serviceName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString objectPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

bool StatusNotifierWatcher::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerObject(objectPath, this,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                  QDBusConnection::ExportAllProperties) &&
           bus.registerService(serviceName);
}

void StatusNotifierWatcher::unregister() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName);
    bus.unregisterObject(objectPath);
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    const QString item = serviceOrPath.startsWith(u'/')
                             ? message().service() + serviceOrPath
                             : serviceOrPath + QStringLiteral("/StatusNotifierItem");
    m_items.append(item);
    Q_EMIT StatusNotifierItemRegistered(item);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString&) {
    Q_EMIT StatusNotifierHostRegistered();
}
