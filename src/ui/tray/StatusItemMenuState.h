#pragma once

#include "model/UpdateInstallState.h"

#include <QString>

#include <optional>

class CompanionAppModel;

// What the tray menu shows, read from the model at one status change.
struct StatusItemMenuState {
    QString quickStatusTitle;
    QString updateStatusDetail;
    QString updateActionLabel;
    bool updateAvailable = false;
    bool updateRequired = false;
    UpdateInstallState updateInstallState;
    bool isPairingPending = false;
    bool isPaired = false;
    std::optional<QString> pairingCode;
    bool launchAtLoginEnabled = false;
    bool keepRunningInMenuBarWhenQuitting = true;

    static StatusItemMenuState read(const CompanionAppModel& model);

    bool operator==(const StatusItemMenuState&) const = default;
};
