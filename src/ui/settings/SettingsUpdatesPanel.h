#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionLabel;
class CompanionStatusPill;
class CompanionSymbolIcon;

// Where updates stand: the feed's verdict, the installed version and the
// update state, the folder of downloaded updates, and the update action.
class SettingsUpdatesPanel : public QWidget {
    Q_OBJECT
public:
    explicit SettingsUpdatesPanel(CompanionAppModel& model, QWidget* parent = nullptr);

private:
    void render();
    void openDownloadsFolder();

    CompanionAppModel& m_model;
    CompanionLabel* m_verdict;
    CompanionSymbolIcon* m_upToDate;
    CompanionStatusPill* m_summary;
};
