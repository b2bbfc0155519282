#pragma once

#include "ui/settings/SettingsSectionCard.h"

class CompanionAppModel;
class CompanionStatusPill;
class SettingsToggleCard;

// Start at login and whether quitting leaves the companion in the tray.
class SettingsStartupCard : public SettingsSectionCard {
    Q_OBJECT
public:
    explicit SettingsStartupCard(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStatusPill* launchPill() const noexcept { return m_launchPill; }
    CompanionStatusPill* quitPill() const noexcept { return m_quitPill; }
    SettingsToggleCard* launchToggle() const noexcept { return m_launch; }
    SettingsToggleCard* keepRunningToggle() const noexcept { return m_keepRunning; }

private:
    void render();

    CompanionAppModel& m_model;
    CompanionStatusPill* m_launchPill;
    CompanionStatusPill* m_quitPill;
    SettingsToggleCard* m_launch;
    SettingsToggleCard* m_keepRunning;
};
