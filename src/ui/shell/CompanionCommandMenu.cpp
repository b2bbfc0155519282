#include "ui/shell/CompanionCommandMenu.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "supervision/CompanionPaths.h"
#include "system/PlatformServices.h"
#include "ui/shell/AppActionRouter.h"

#include <QAction>
#include <QMenu>

CompanionCommandMenu::CompanionCommandMenu(CompanionAppModel& model, AppActionRouter& router,
                                           PlatformServices& platform, QObject* parent)
    : QObject(parent) {
    addCommand(tr("Open Dashboard"), QKeySequence(Qt::ALT | Qt::CTRL | Qt::Key_1), [&router] {
        if (router.openDashboardAction) {
            router.openDashboardAction();
        }
    });
    addCommand(tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), [&router] {
        router.openSettings();
    })->setMenuRole(QAction::PreferencesRole);
    addCommand(tr("Open Browser Dashboard"), {},
               [&platform] { platform.openUrl(CompanionPaths::dashboardBaseURL()); });
    addSeparator();
    addCommand(tr("Reveal Logs"), {}, [&model] { model.revealLogs(); });
    addCommand(tr("Reveal Data Folder"), {}, [&model] { model.revealDataDirectory(); });
    addSeparator();
    addCommand(tr("Restart Runtime"), {},
               [&model] { startBackgroundTask(model.restartCompanion(), lcUi(), "Restarting the runtime"); });
}

QMenu* CompanionCommandMenu::createMenu(QWidget* parent) const {
    auto* menu = new QMenu(tr("Companion"), parent);
    menu->addActions(m_actions);
    return menu;
}

QAction* CompanionCommandMenu::addCommand(const QString& title, const QKeySequence& shortcut,
                                          std::function<void()> run) {
    auto* action = new QAction(title, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    m_actions.append(action);
    return action;
}

void CompanionCommandMenu::addSeparator() {
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    m_actions.append(separator);
}
