#pragma once

#include <functional>

// How the tray menu, the command menus and the delegate reach what only the
// windows can do. Every action is empty until the windows wire it.
class AppActionRouter {
public:
    std::function<void()> prepareForForegroundAction;
    std::function<void()> openDashboardAction;
    std::function<void()> openSettingsAction;
    std::function<void()> closeToMenuBarAction;
    std::function<void()> quitCompletelyAction;

    // Back to the foreground, then the window (nothing more when unwired).
    void openDashboard();
    void openSettings();
};
