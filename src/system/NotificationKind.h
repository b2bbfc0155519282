#pragma once

#include <QList>
#include <QString>

// The desktop notifications the app sends; each one can be turned off.
enum class NotificationKind {
    PairingApproved,
    PairingExpired,
    RuntimeStoppedAnswering,
    UpdateAvailable,
    // An update installed, or one that failed to install.
    UpdateResult,
};

// In the order the settings list them.
const QList<NotificationKind>& allNotificationKinds();
// The stable name stored in the preference.
QString rawValue(NotificationKind kind);
