#pragma once

#include "model/CompanionAppModelSetup.h"
#include "supervision/CompanionProcessController.h"

class BundleInfo;

// What every front end (windows, headless, terminal control) hands the
// supervision and the model when it runs from its bundle.

// The bundle's runtime, named after this computer as it is called at each launch.
CompanionProcessController::Settings bundledRuntimeSettings(const BundleInfo& bundle);

CompanionAppModel::Collaborators bundledModelCollaborators(const BundleInfo& bundle,
                                                           CompanionProcessController& processController,
                                                           PlatformServices& platform,
                                                           CompanionPreferences& preferences);
