#pragma once

#include "model/MacDeviceName.h"
#include "runtime/CompanionAPI.h"
#include "runtime/LocalNetworkAccessCoordinator.h"
#include "system/LaunchAtLoginManager.h"

// The model's own connections to the runtime and the system.
struct ModelServices {
    CompanionAPI api;
    // The refresh's own requests, so that a failed snapshot can cancel the other two.
    CompanionAPI refreshAPI;
    LaunchAtLoginManager launchAtLogin;
    LocalNetworkAccessCoordinator localNetwork;
    const MacDeviceName deviceName;
};
