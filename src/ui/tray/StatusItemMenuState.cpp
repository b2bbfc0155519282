#include "ui/tray/StatusItemMenuState.h"

#include "model/CompanionAppModel.h"
#include "model/UpdateInstallState.h"
#include "runtime/RuntimeSnapshot.h"
#include "update/ResolvedReleaseStatus.h"

StatusItemMenuState StatusItemMenuState::read(const CompanionAppModel& model) {
    const auto& runtime = model.runtime();
    return {
        .quickStatusTitle = model.quickStatusTitle(),
        .updateStatusDetail = model.updateStatusDetail(),
        .updateActionLabel = model.updateActionLabel(),
        .updateAvailable = model.releaseStatus().updateAvailable,
        .updateRequired = model.releaseStatus().updateRequired,
        .updateInstallState = model.updateInstallState(),
        .isPairingPending = model.isPairingPending(),
        .isPaired = model.isPaired(),
        .pairingCode = runtime ? runtime->identity.pairing.code : std::nullopt,
        .launchAtLoginEnabled = model.launchAtLoginEnabled(),
        .keepRunningInMenuBarWhenQuitting = model.keepRunningInMenuBarWhenQuitting(),
    };
}
