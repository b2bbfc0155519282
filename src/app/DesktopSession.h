#pragma once

#include "app/UnixSignalWatcher.h"
#include "model/CompanionPreferences.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionProcessController.h"
#include "system/DesktopPlatformServices.h"
#include "ui/entry/VendriloConnectApp.h"

#include <QString>

// The application with its windows and tray icon: one per user (a second
// launch hands over to the running one), ended by every quit path after the
// model's shutdown, SIGTERM and SIGINT included.
class DesktopSession {
public:
    // Runs the event loop; returns the exit code. Needs a QApplication.
    static int run(const BundleInfo& bundle, bool background);

private:
    DesktopSession(const BundleInfo& bundle, bool background);

    CompanionPreferences m_preferences;
    DesktopPlatformServices m_platform;
    CompanionProcessController m_processController;
    VendriloConnectApp m_app;
    UnixSignalWatcher m_signals;
};
