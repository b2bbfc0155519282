#include "ui/shell/CompanionMenuBar.h"

#include "ui/shell/CompanionCommandMenu.h"
#include "ui/shell/CompanionTerminationCommands.h"

CompanionMenuBar::CompanionMenuBar(const CompanionTerminationCommands& terminationCommands,
                                   const CompanionCommandMenu& commandMenu, QWidget* parent)
    : QMenuBar(parent) {
    terminationCommands.addTo(*addMenu(tr("Vendrilo Connect")));
    addMenu(commandMenu.createMenu(this));
}
