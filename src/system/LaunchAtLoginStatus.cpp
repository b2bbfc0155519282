#include "system/LaunchAtLoginStatus.h"

bool isLaunchAtLoginEnabled(LaunchAtLoginStatus status) {
    return status == LaunchAtLoginStatus::Enabled;
}

QString launchAtLoginStatusText(LaunchAtLoginStatus status) {
    switch (status) {
    case LaunchAtLoginStatus::NotRegistered:
        return u"The app will stay manual until you enable start at login."_qs;
    case LaunchAtLoginStatus::Enabled:
        return u"Vendrilo Connect launches automatically when you log in."_qs;
    case LaunchAtLoginStatus::RequiresApproval:
        return u"macOS still needs you to approve this app in Login Items."_qs;
    case LaunchAtLoginStatus::NotFound:
        return u"Move the app into Applications before enabling start at login."_qs;
    case LaunchAtLoginStatus::Unknown:
        break;
    }
    return u"Start at login availability is unknown."_qs;
}
