#pragma once

#include <QString>

// The login item's state as the settings and onboarding screens show it. The
// values match the platform service's raw status numbers; any other value
// counts as unknown.
enum class LaunchAtLoginStatus : int {
    Unknown = -1,
    NotRegistered = 0,
    Enabled = 1,
    RequiresApproval = 2,
    NotFound = 3,
};

// Only an enabled login item turns the switch on.
bool isLaunchAtLoginEnabled(LaunchAtLoginStatus status);
// The sentence explaining the state.
QString launchAtLoginStatusText(LaunchAtLoginStatus status);
