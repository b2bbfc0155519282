#include "ui/tray/StatusItemController.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "supervision/CompanionPaths.h"
#include "ui/components/CompanionPalette.h"
#include "ui/shell/AppActionRouter.h"
#include "ui/tray/StatusIconEngine.h"
#include "update/ResolvedReleaseStatus.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QSvgRenderer>

namespace {

const QString applicationName = QStringLiteral("Vendrilo Connect");

} // namespace

StatusItemController::StatusItemController(QObject* parent) : QObject(parent) {
    Q_INIT_RESOURCE(tray);
    m_logo = std::make_shared<QSvgRenderer>(QStringLiteral(":/vendrilo/MenuBarLogoAlone.svg"));
    connect(&m_hostWatcher, &TrayHostWatcher::availabilityChanged, this,
            &StatusItemController::trayAvailabilityChanged);
}

StatusItemController::~StatusItemController() = default;

bool StatusItemController::isTrayAvailable() const {
    return m_hostWatcher.isAvailable();
}

void StatusItemController::installIfNeeded(CompanionAppModel& model, AppActionRouter& router) {
    m_model = &model;
    m_router = &router;
    connect(&model, &CompanionAppModel::statusPresentationDidChange, this, &StatusItemController::followModel,
            Qt::UniqueConnection);
    if (m_trayIcon) {
        m_shownMenu.reset();
        rebuildMenu(model);
        return;
    }
    m_menu = std::make_unique<QMenu>();
    m_trayIcon = std::make_unique<QSystemTrayIcon>();
    m_trayIcon->setToolTip(applicationName);
    m_trayIcon->setContextMenu(m_menu.get());
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &StatusItemController::activated);
    rebuildMenu(model);
    update(model);
    m_trayIcon->show();
}

void StatusItemController::update(CompanionAppModel& model) {
    m_model = &model;
    if (!m_trayIcon) {
        return;
    }
    const StatusIconColors colors = iconColors(model);
    if (colors != m_shownColors) {
        m_trayIcon->setIcon(QIcon(new StatusIconEngine(m_logo, colors)));
        m_shownColors = colors;
    }
    const QString toolTip = applicationName + QStringLiteral(" — ") + model.quickStatusTitle();
    if (m_trayIcon->toolTip() != toolTip) {
        m_trayIcon->setToolTip(toolTip);
    }
    rebuildMenu(model);
}

void StatusItemController::followModel() {
    if (m_model) {
        update(*m_model);
    }
}

StatusIconColors StatusItemController::iconColors(const CompanionAppModel& model) const {
    // The icon sits on the panel, not in a window: the application's palette is
    // the best guess of its shade.
    const QPalette palette = QGuiApplication::palette();
    StatusIconColors colors{.status = CompanionPalette::tint(model.menuBarStatusTint(), palette),
                            .badge = {}};
    if (model.showsMenuBarUpdateIndicator()) {
        colors.badge = CompanionPalette::tint(
            model.releaseStatus().updateRequired ? StatusTint::Red : StatusTint::Blue, palette);
    }
    return colors;
}

void StatusItemController::rebuildMenu(const CompanionAppModel& model) {
    StatusItemMenuState state = StatusItemMenuState::read(model);
    if (!m_menu || state == m_shownMenu) {
        return;
    }
    StatusItemMenu::rebuild(*m_menu, state, menuActions());
    m_shownMenu = std::move(state);
}

StatusItemMenu::Actions StatusItemController::menuActions() {
    const QPointer<StatusItemController> self(this);
    // Each action finds the model again when it runs: it may be gone by then.
    const auto withModel = [self](void (*action)(CompanionAppModel&)) {
        return [self, action] {
            if (self && self->m_model) {
                action(*self->m_model);
            }
        };
    };
    const auto withRouter = [self](void (AppActionRouter::*action)()) {
        return [self, action] {
            if (self && self->m_router) {
                (self->m_router->*action)();
            }
        };
    };
    return {
        .checkForUpdates = withModel([](CompanionAppModel& model) { model.checkForUpdates(); }),
        .openUpdateAction = withModel([](CompanionAppModel& model) { model.openUpdateAction(); }),
        .copyPairingCode = withModel([](CompanionAppModel& model) { model.copyPairingCode(); }),
        .openPairingLink = withModel([](CompanionAppModel& model) { model.openPairingLink(); }),
        .openDashboard = withRouter(&AppActionRouter::openDashboard),
        .openSettings = withRouter(&AppActionRouter::openSettings),
        .beginPairing = withModel([](CompanionAppModel& model) {
            startBackgroundTask(model.beginPairing(), lcUi(), "Starting pairing from the tray");
        }),
        .toggleLaunchAtLogin = withModel(
            [](CompanionAppModel& model) { model.setLaunchAtLogin(!model.launchAtLoginEnabled()); }),
        .toggleKeepRunning = withModel([](CompanionAppModel& model) {
            model.setKeepRunningInMenuBarWhenQuitting(!model.keepRunningInMenuBarWhenQuitting());
        }),
        .openBrowserDashboard = [] { QDesktopServices::openUrl(CompanionPaths::dashboardBaseURL()); },
        .revealLogs = withModel([](CompanionAppModel& model) { model.revealLogs(); }),
        .revealDataFolder = withModel([](CompanionAppModel& model) { model.revealDataDirectory(); }),
        .restartRuntime = withModel([](CompanionAppModel& model) {
            startBackgroundTask(model.restartCompanion(), lcUi(), "Restarting the runtime from the tray");
        }),
        .quit =
            [self] {
                if (self) {
                    self->quit();
                }
            },
    };
}

void StatusItemController::activated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger && m_router) {
        m_router->openDashboard();
    }
}

void StatusItemController::quit() {
    if (m_router && m_router->quitCompletelyAction) {
        m_router->quitCompletelyAction();
        return;
    }
    // Unwired: a plain quit request, which the application judges itself.
    QCoreApplication::quit();
}
