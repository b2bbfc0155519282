#pragma once

#include "model/CompanionAppModel.h"
#include "model/MacDeviceName.h"
#include "runtime/CompanionAPI.h"
#include "runtime/LocalNetworkAccessCoordinator.h"
#include "supervision/CompanionPaths.h"
#include "update/CompanionUpdateInstaller.h"
#include "update/ReleaseManifestService.h"

#include <QUrl>

// What the code that creates the model hands it; views need none of this.

// Durations, shortened by tests.
struct CompanionAppModel::Settings {
    std::chrono::milliseconds refreshInterval{10000};
    std::chrono::milliseconds noticeLifetime{4500};
    std::chrono::milliseconds apiTimeout = CompanionAPI::defaultTimeout;
    std::chrono::milliseconds localNetworkProbeTimeout = LocalNetworkAccessCoordinator::defaultProbeTimeout;
    std::chrono::milliseconds releaseRequestTimeout = ReleaseManifestService::defaultRequestTimeout;
    std::chrono::milliseconds releaseResourceTimeout = ReleaseManifestService::defaultResourceTimeout;
    std::chrono::milliseconds updateDownloadTimeout = CompanionUpdateInstaller::defaultTransferTimeout;
    // The silent release check while refreshes fail.
    std::chrono::milliseconds updateCheckInterval{21600000};
    // Between starting the installer and quitting for it.
    std::chrono::milliseconds updateRelaunchDelay{500};
};

// Services created by the application before the model; they outlive it.
struct CompanionAppModel::Collaborators {
    CompanionProcessController& processController;
    PlatformServices& platform;
    CompanionPreferences& preferences;
    // This computer's friendly name: the initial companion name.
    QString computerName;
    // The bundle's version, passed to the process controller and used for release checks.
    QString applicationVersion;
    QUrl runtimeBaseURL = CompanionPaths::dashboardBaseURL();
    // Host names the runtime reports as its name until the user picks one;
    // the guided setup suggests deviceName.computerName() instead.
    MacDeviceName deviceName{MacDeviceName::Sources{}};
    // The running bundle: the login item starts it, an update replaces it.
    QString bundlePath{};
    QString bundleIdentifier{};
    QUrl manifestURL = CompanionPaths::manifestURL();
};
