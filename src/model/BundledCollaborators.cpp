#include "model/BundledCollaborators.h"

#include "model/MacDeviceName.h"
#include "supervision/BundleInfo.h"

CompanionProcessController::Settings bundledRuntimeSettings(const BundleInfo& bundle) {
    CompanionProcessController::Settings settings;
    settings.bundledRuntime = bundle.bundledRuntimeExecutable();
    // The computer may be renamed while the app runs.
    settings.hostName = HostNameSource([] { return MacDeviceName::current().computerName(); });
    return settings;
}

CompanionAppModel::Collaborators bundledModelCollaborators(const BundleInfo& bundle,
                                                           CompanionProcessController& processController,
                                                           PlatformServices& platform,
                                                           CompanionPreferences& preferences) {
    const MacDeviceName deviceName = MacDeviceName::current();
    return {.processController = processController,
            .platform = platform,
            .preferences = preferences,
            .computerName = deviceName.computerName(),
            .applicationVersion = bundle.companionVersion(),
            .deviceName = deviceName,
            .bundlePath = bundle.bundlePath(),
            .bundleIdentifier = bundle.bundleIdentifier()};
}
