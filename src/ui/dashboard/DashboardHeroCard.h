#pragma once

#include "ui/components/CompanionSurfaceCard.h"

class CompanionAppModel;
class CompanionLabel;
class CompanionStatusPill;
class QPushButton;
class UpdateActionButton;

// The dashboard's summary of this companion: the app icon, the title, the
// summary sentence, the health and version pills, and the browser and update
// actions.
class DashboardHeroCard : public CompanionSurfaceCard {
    Q_OBJECT
public:
    explicit DashboardHeroCard(CompanionAppModel& model, QWidget* parent = nullptr);

    void refresh();

    CompanionLabel* summaryLabel() const { return m_summary; }
    CompanionStatusPill* healthPill() const { return m_health; }
    CompanionStatusPill* versionPill() const { return m_version; }

private:
    CompanionAppModel& m_model;
    CompanionLabel* m_summary;
    CompanionStatusPill* m_health;
    CompanionStatusPill* m_version;
    QPushButton* m_openBrowser;
    UpdateActionButton* m_update;
};
