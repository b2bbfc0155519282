#pragma once

#include "ui/tray/StatusItemMenuState.h"

#include <QCoreApplication>

#include <functional>

class QMenu;

// The tray menu's rows for one state, each wired to its action.
class StatusItemMenu {
    Q_DECLARE_TR_FUNCTIONS(StatusItemMenu)
public:
    struct Actions {
        std::function<void()> checkForUpdates;
        std::function<void()> openUpdateAction;
        std::function<void()> copyPairingCode;
        std::function<void()> openPairingLink;
        std::function<void()> openDashboard;
        std::function<void()> openSettings;
        std::function<void()> beginPairing;
        std::function<void()> toggleLaunchAtLogin;
        std::function<void()> toggleKeepRunning;
        std::function<void()> openBrowserDashboard;
        std::function<void()> revealLogs;
        std::function<void()> revealDataFolder;
        std::function<void()> restartRuntime;
        std::function<void()> quit;
    };

    // Replaces every row of menu. The old rows are deleted later, since the
    // rebuild may run from inside one of their own triggers.
    static void rebuild(QMenu& menu, const StatusItemMenuState& state, const Actions& actions);
};
