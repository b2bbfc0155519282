#pragma once

#include "CannedRuntimeServer.h"
#include "RecordingPlatformServices.h"
#include "model/CompanionAppModelSetup.h"
#include "model/CompanionPreferences.h"
#include "model/UpdateInstallState.h"
#include "runtime/DiagnosticEvent.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "supervision/CompanionProcessController.h"

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A model wired to a canned runtime on a free loopback port (or to the real
// one), with its preferences in a temporary file and every duration in milliseconds.
class ModelHarness {
public:
    struct Options {
        bool setupCompleted = false;
        bool guidedExperienceCompleted = false;
        // The running bundle; "" means no login-item service and no update target.
        QString bundlePath{};
        QString bundleIdentifier{};
        CompanionAppModel::Settings settings = fastSettings();
        // Set: this real runtime at its usual address replaces the canned one.
        std::optional<QString> bundledRuntime{};
    };
    static CompanionAppModel::Settings fastSettings();
    // The options with their settings changed by adjust.
    static Options adjusted(Options options, const std::function<void(CompanionAppModel::Settings&)>& adjust);
    // Points the user's data and configuration folders at a temporary folder for
    // the rest of the process, so nothing of the real account is read or written.
    static void isolateUserFolders();

    ModelHarness();
    explicit ModelHarness(Options options);

    // The runtime reports this snapshot (healthy) from now on.
    void serve(const RuntimeSnapshot& snapshot = CannedRuntimeServer::snapshot());
    // Awaits a refresh; false when it failed.
    bool refresh(bool showErrors = false);

    CannedRuntimeServer server;
    RecordingPlatformServices platform;
    QTemporaryDir folder;
    CompanionPreferences preferences;
    CompanionProcessController processController;
    std::unique_ptr<CompanionAppModel> model;
};
