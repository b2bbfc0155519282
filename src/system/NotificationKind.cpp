#include "system/NotificationKind.h"

const QList<NotificationKind>& allNotificationKinds() {
    static const QList<NotificationKind> kinds{
        NotificationKind::PairingApproved, NotificationKind::PairingExpired,
        NotificationKind::RuntimeStoppedAnswering, NotificationKind::UpdateAvailable,
        NotificationKind::UpdateResult};
    return kinds;
}

QString rawValue(NotificationKind kind) {
    switch (kind) {
    case NotificationKind::PairingApproved:
        return QStringLiteral("pairingApproved");
    case NotificationKind::PairingExpired:
        return QStringLiteral("pairingExpired");
    case NotificationKind::RuntimeStoppedAnswering:
        return QStringLiteral("runtimeStoppedAnswering");
    case NotificationKind::UpdateAvailable:
        return QStringLiteral("updateAvailable");
    case NotificationKind::UpdateResult:
        return QStringLiteral("updateResult");
    }
    Q_UNREACHABLE();
    return {};
}
