#include "ui/tray/StatusItemMenu.h"

#include <QAction>
#include <QMenu>

namespace {

QAction* addRow(QMenu& menu, const QString& title, const std::function<void()>& action) {
    QAction* row = menu.addAction(title);
    if (action) {
        QObject::connect(row, &QAction::triggered, row, [action] { action(); });
    }
    return row;
}

void addLabel(QMenu& menu, const QString& title) {
    addRow(menu, title, {})->setEnabled(false);
}

void addToggle(QMenu& menu, const QString& title, bool checked, const std::function<void()>& action) {
    QAction* row = addRow(menu, title, action);
    row->setCheckable(true);
    row->setChecked(checked);
}

void removeRows(QMenu& menu) {
    const auto submenus = menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    for (QAction* row : menu.actions()) {
        menu.removeAction(row);
        if (row->parent() == &menu) {
            row->deleteLater();
        }
    }
    for (QMenu* submenu : submenus) {
        submenu->deleteLater();
    }
}

} // namespace

void StatusItemMenu::rebuild(QMenu& menu, const StatusItemMenuState& state, const Actions& actions) {
    removeRows(menu);
    const UpdateInstallState& update = state.updateInstallState;
    const bool updateOffered = state.updateAvailable || state.updateRequired;

    addLabel(menu, tr("Vendrilo Connect"));
    addLabel(menu, state.quickStatusTitle);
    addLabel(menu, state.updateStatusDetail);
    addRow(menu, tr("Check for Updates…"), actions.checkForUpdates)
        ->setEnabled(!update.blocksUpdateActions());
    if (updateOffered || update.blocksUpdateActions()) {
        addRow(menu, state.updateActionLabel, actions.openUpdateAction)
            ->setEnabled(updateOffered && !update.blocksUpdateActions());
    }

    if (state.isPairingPending && state.pairingCode) {
        menu.addSeparator();
        addLabel(menu, tr("Pairing code: ") + *state.pairingCode);
        addRow(menu, tr("Copy Pairing Code"), actions.copyPairingCode);
        addRow(menu, tr("Open Pairing Link"), actions.openPairingLink);
    }

    menu.addSeparator();
    addRow(menu, tr("Open Companion"), actions.openDashboard);
    addRow(menu, tr("Open Settings…"), actions.openSettings);
    if (!state.isPairingPending && !state.isPaired) {
        addRow(menu, tr("Start Pairing"), actions.beginPairing);
    }

    menu.addSeparator();
    addToggle(menu, tr("Start at Login"), state.launchAtLoginEnabled, actions.toggleLaunchAtLogin);
    addToggle(menu, tr("Keep Running in Menu Bar"), state.keepRunningInMenuBarWhenQuitting,
              actions.toggleKeepRunning);
    QMenu* advanced = menu.addMenu(tr("Advanced"));
    addRow(*advanced, tr("Open Browser Dashboard"), actions.openBrowserDashboard);
    addRow(*advanced, tr("Reveal Logs"), actions.revealLogs);
    addRow(*advanced, tr("Reveal Data Folder"), actions.revealDataFolder);
    advanced->addSeparator();
    addRow(*advanced, tr("Restart Runtime"), actions.restartRuntime);

    menu.addSeparator();
    addRow(menu, state.keepRunningInMenuBarWhenQuitting ? tr("Quit Completely") : tr("Quit Vendrilo Connect"),
           actions.quit);
}
