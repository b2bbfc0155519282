#include "ui/settings/SettingsMaintenanceCard.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "ui/settings/SettingsActionRow.h"
#include "ui/settings/SettingsGroupedBox.h"
#include "ui/settings/SettingsUpdatesPanel.h"

#include <QVBoxLayout>

SettingsMaintenanceCard::SettingsMaintenanceCard(CompanionAppModel& model, QWidget* parent)
    : SettingsSectionCard(
          QStringLiteral("wrench.and.screwdriver"), tr("Maintenance"),
          tr("Keep the companion current, inspect its files, and recover quickly if something "
             "needs attention."),
          parent) {
    contentLayout()->addWidget(new SettingsUpdatesPanel(model, this));
    auto* utilities = new SettingsGroupedBox(this);
    utilities->addRow(
        new SettingsActionRow(QStringLiteral("doc.text.magnifyingglass"), tr("Reveal Logs"),
                              tr("Open the companion log folder in Finder to inspect recent runtime events."),
                              [&model] { model.revealLogs(); }));
    utilities->addRow(
        new SettingsActionRow(QStringLiteral("folder"), tr("Reveal Data Folder"),
                              tr("Open the companion data directory that stores config and local "
                                 "state."),
                              [&model] { model.revealDataDirectory(); }));
    utilities->addRow(new SettingsActionRow(
        QStringLiteral("arrow.clockwise.circle"), tr("Restart Runtime"),
        tr("Restart the bundled runtime if the companion needs a clean reconnect."), [&model] {
            startBackgroundTask(model.restartCompanion(), lcUi(), "Restarting the companion runtime");
        }));
    contentLayout()->addWidget(utilities);
}
