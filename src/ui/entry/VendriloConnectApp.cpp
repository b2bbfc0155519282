#include "ui/entry/VendriloConnectApp.h"

#include "common/LogCategories.h"
#include "model/CompanionAppModelSetup.h"
#include "ui/dashboard/DashboardWindowView.h"
#include "ui/entry/CompanionWindow.h"
#include "ui/notifications/NotificationSettingsCard.h"
#include "ui/settings/SettingsWindowView.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

namespace {

const CompanionWindow::Layout dashboardLayout{
    .id = QStringLiteral("dashboard"),
    .title = QStringLiteral("Vendrilo Connect"),
    .defaultContentSize = {1180, 820},
    .minimumContentSize = {920, 680},
};

} // namespace

VendriloConnectApp::VendriloConnectApp(CompanionAppModel::Collaborators collaborators,
                                       CompanionAppModel::Settings settings, Options options, QObject* parent)
    : QObject(parent), m_options(options), m_model(collaborators, settings),
      m_delegate(collaborators.preferences), m_terminationCommands(m_model, m_router, m_delegate),
      m_commandMenu(m_model, m_router, collaborators.platform),
      m_notificationPreferences(collaborators.bundleIdentifier),
      // Before the model starts, so the result of an update installed before this launch is seen.
      m_notifier(m_model, m_notificationPreferences, m_desktopNotifications) {
    // Closing the last window leaves the app in the tray.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // The tray's resources hold the application icon.
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/vendrilo/AppIcon.svg")));
    qApp->installEventFilter(this);
    // The session manager restarts nothing: the autostart entry starts the app.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [](QSessionManager& manager) { manager.setRestartHint(QSessionManager::RestartNever); });

    wireRouter();
    connect(&m_notifier, &CompanionNotifier::openDashboardRequested, this,
            [this] { m_router.openDashboard(); });
    connect(&m_notifier, &CompanionNotifier::openSettingsRequested, this,
            [this] { m_router.openSettings(); });
    m_delegate.setTerminationPreparationHandler([this] { return m_model.shutdown(); });
    m_model.setFullTerminationHandler([this] { m_delegate.quitCompletely(); });

    m_delegate.setTrayAvailable(m_statusItem.isTrayAvailable());
    connect(&m_statusItem, &StatusItemController::trayAvailabilityChanged, &m_delegate,
            &CompanionApplicationDelegate::setTrayAvailable);
    connect(&m_delegate, &CompanionApplicationDelegate::trayAvailabilityChanged, this,
            [this](bool available) {
                if (available) {
                    m_trayWait.stop();
                }
                explainMissingTrayOnce();
            });
    // Queued: the model sets its own notice right after the change.
    connect(&m_model, &CompanionAppModel::keepRunningInMenuBarWhenQuittingChanged, this,
            &VendriloConnectApp::explainMissingTrayOnce, Qt::QueuedConnection);
    // From here the tray icon follows the model's status changes by itself.
    m_statusItem.installIfNeeded(m_model, m_router);
    m_statusItem.update(m_model);

    m_trayWait.setSingleShot(true);
    m_trayWait.setInterval(options.trayWait);
    connect(&m_trayWait, &QTimer::timeout, this, [this] {
        qCInfo(lcUi) << "No system tray appeared; opening the dashboard";
        m_router.openDashboard();
    });
}

VendriloConnectApp::~VendriloConnectApp() {
    qApp->removeEventFilter(this);
    // Windows closed but not yet deleted go too: their views hold the model.
    for (const QPointer<CompanionWindow>& window : {m_dashboard, m_settings}) {
        delete window.data();
    }
    for (const QPointer<CompanionWindow>& window : std::as_const(m_released)) {
        delete window.data();
    }
}

void VendriloConnectApp::start() {
    if (!m_options.background) {
        m_router.openDashboard();
        return;
    }
    // Started at login: the runtime runs without a window being opened.
    m_model.startIfNeeded();
    if (!m_delegate.isTrayAvailable()) {
        m_trayWait.start();
    }
}

void VendriloConnectApp::reopen() {
    m_router.openDashboard();
}

bool VendriloConnectApp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::Quit) {
        m_delegate.quitCompletely();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void VendriloConnectApp::wireRouter() {
    m_router.prepareForForegroundAction = [this] { m_delegate.prepareForForeground(); };
    m_router.openDashboardAction = [this] { dashboard().bringForward(); };
    m_router.openSettingsAction = [this] { settings().bringForward(); };
    m_router.closeToMenuBarAction = [this] { m_delegate.closeToMenuBar(); };
    m_router.quitCompletelyAction = [this] { m_delegate.quitCompletely(); };
}

CompanionWindow& VendriloConnectApp::dashboard() {
    if (!m_dashboard) {
        adopt(m_dashboard, new CompanionWindow(m_model, new DashboardWindowView(m_model), dashboardLayout,
                                               m_terminationCommands, m_commandMenu));
    }
    return *m_dashboard;
}

CompanionWindow& VendriloConnectApp::settings() {
    if (!m_settings) {
        const CompanionWindow::Layout layout{.id = QStringLiteral("settings"),
                                             .title = tr("Vendrilo Connect Settings"),
                                             .defaultContentSize = {760, 620},
                                             .minimumContentSize = {760, 620}};
        auto* view = new SettingsWindowView(m_model);
        view->addSectionAfterStartup(new NotificationSettingsCard(m_notificationPreferences));
        adopt(m_settings, new CompanionWindow(m_model, view, layout, m_terminationCommands, m_commandMenu));
    }
    return *m_settings;
}

void VendriloConnectApp::adopt(QPointer<CompanionWindow>& slot, CompanionWindow* window) {
    slot = window;
    connect(window, &CompanionWindow::shown, this, &VendriloConnectApp::explainMissingTrayOnce);
    // A closed window is released at once: opening it again builds a new one
    // from the model, even before the old one is gone.
    connect(window, &CompanionWindow::closed, this, [this, &slot, window] {
        if (slot == window) {
            slot = nullptr;
        }
        m_released.removeIf([](const QPointer<CompanionWindow>& released) { return released.isNull(); });
        m_released.append(window);
        window->deleteLater();
    });
}

void VendriloConnectApp::explainMissingTrayOnce() {
    const bool windowShown =
        (m_dashboard && m_dashboard->isVisible()) || (m_settings && m_settings->isVisible());
    if (m_explainedMissingTray || m_delegate.isTrayAvailable() ||
        !m_model.keepRunningInMenuBarWhenQuitting() || !windowShown) {
        return;
    }
    m_explainedMissingTray = true;
    const QString why =
        tr("No system tray is available, so quitting ends Vendrilo Connect instead of keeping it "
           "running in the background.");
    qCInfo(lcUi).noquote() << why;
    m_model.setNoticeMessage(why);
}
