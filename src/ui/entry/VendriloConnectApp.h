#pragma once

#include "model/CompanionAppModel.h"
#include "system/NotificationPreferences.h"
#include "ui/entry/CompanionWindow.h"
#include "ui/notifications/CompanionNotifier.h"
#include "ui/notifications/DesktopNotifications.h"
#include "ui/shell/AppActionRouter.h"
#include "ui/shell/CompanionApplicationDelegate.h"
#include "ui/shell/CompanionCommandMenu.h"
#include "ui/shell/CompanionTerminationCommands.h"
#include "ui/tray/StatusItemController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

// The desktop application: the model, the action router, the tray icon and the
// quit delegate, created once in this order and kept for the life of the
// process, and the dashboard and settings windows they open. A closed window is
// released: the app idles in the tray with no widgets, and a window opened
// again renders from the model as before. Every way of
// quitting ends in the delegate's readyToTerminate().
class VendriloConnectApp : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTrayWait{30000};

    struct Options {
        // Started at login: no window unless no tray shows up within trayWait.
        bool background = false;
        std::chrono::milliseconds trayWait = defaultTrayWait;
    };

    VendriloConnectApp(CompanionAppModel::Collaborators collaborators, CompanionAppModel::Settings settings,
                       Options options, QObject* parent = nullptr);
    ~VendriloConnectApp() override;

    // Opens the dashboard, or in the background starts the model and waits
    // for a tray.
    void start();
    // Another launch of the app: back to the foreground with the dashboard.
    void reopen();

    CompanionAppModel& model() noexcept { return m_model; }
    AppActionRouter& router() noexcept { return m_router; }
    StatusItemController& statusItem() noexcept { return m_statusItem; }
    CompanionApplicationDelegate& delegate() noexcept { return m_delegate; }
    // Null unless open.
    CompanionWindow* dashboardWindow() const noexcept { return m_dashboard; }
    CompanionWindow* settingsWindow() const noexcept { return m_settings; }

protected:
    // The application's quit event (the session manager ending the session,
    // QCoreApplication::quit()) becomes a real quit after shutdown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wireRouter();
    CompanionWindow& dashboard();
    CompanionWindow& settings();
    void adopt(QPointer<CompanionWindow>& slot, CompanionWindow* window);
    void explainMissingTrayOnce();

    const Options m_options;
    CompanionAppModel m_model;
    AppActionRouter m_router;
    StatusItemController m_statusItem;
    CompanionApplicationDelegate m_delegate;
    CompanionTerminationCommands m_terminationCommands;
    CompanionCommandMenu m_commandMenu;
    NotificationPreferences m_notificationPreferences;
    DesktopNotifications m_desktopNotifications;
    CompanionNotifier m_notifier;
    QPointer<CompanionWindow> m_dashboard;
    QPointer<CompanionWindow> m_settings;
    // Closed, their deletion still pending.
    QList<QPointer<CompanionWindow>> m_released;
    QTimer m_trayWait;
    bool m_explainedMissingTray = false;
};
