#pragma once

#include "ui/components/CompanionSurfaceCard.h"

class CompanionAppModel;
class CompanionStatusPill;
class UpdateActionButton;

// The window's title card: icon, purpose, version and health, and the way to
// the browser dashboard and to an offered update.
class SettingsHeaderCard : public CompanionSurfaceCard {
    Q_OBJECT
public:
    explicit SettingsHeaderCard(CompanionAppModel& model, QWidget* parent = nullptr);

private:
    void render();

    CompanionAppModel& m_model;
    CompanionStatusPill* m_health;
    UpdateActionButton* m_update;
};
