#pragma once

#include <QMenuBar>

class CompanionCommandMenu;
class CompanionTerminationCommands;

// A window's menu bar: the application menu with the quit items, then the
// "Companion" menu. Every window shows the same shared actions.
class CompanionMenuBar : public QMenuBar {
    Q_OBJECT
public:
    CompanionMenuBar(const CompanionTerminationCommands& terminationCommands,
                     const CompanionCommandMenu& commandMenu, QWidget* parent = nullptr);
};
