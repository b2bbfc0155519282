#include "system/LaunchAtLoginStatus.h"

#include <QCoreApplication>

bool isLaunchAtLoginEnabled(LaunchAtLoginStatus status) {
    return status == LaunchAtLoginStatus::Enabled;
}

QString launchAtLoginStatusText(LaunchAtLoginStatus status) {
    switch (status) {
    case LaunchAtLoginStatus::NotRegistered:
        return QCoreApplication::translate("LaunchAtLoginStatus",
                                           "The app will stay manual until you enable start at login.");
    case LaunchAtLoginStatus::Enabled:
        return QCoreApplication::translate("LaunchAtLoginStatus",
                                           "Vendrilo Connect launches automatically when you log in.");
    case LaunchAtLoginStatus::RequiresApproval:
        return QCoreApplication::translate("LaunchAtLoginStatus",
                                           "macOS still needs you to approve this app in Login Items.");
    case LaunchAtLoginStatus::NotFound:
        return QCoreApplication::translate("LaunchAtLoginStatus",
                                           "Move the app into Applications before enabling start at login.");
    case LaunchAtLoginStatus::Unknown:
        break;
    }
    return QCoreApplication::translate("LaunchAtLoginStatus", "Start at login availability is unknown.");
}
