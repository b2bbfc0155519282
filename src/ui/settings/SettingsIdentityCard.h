#pragma once

#include "ui/settings/SettingsSectionCard.h"

class CompanionAppModel;
class CompanionLabel;
class CompanionMetricTile;
class QPushButton;
class SettingsNameField;

// The companion's name (edited and saved here), the browser dashboard, how
// the name will look, and the version, build, pairing and client figures.
class SettingsIdentityCard : public SettingsSectionCard {
    Q_OBJECT
public:
    explicit SettingsIdentityCard(CompanionAppModel& model, QWidget* parent = nullptr);

    SettingsNameField* nameField() const noexcept { return m_name; }
    QPushButton* saveButton() const noexcept { return m_save; }

private:
    void render();
    void save();

    CompanionAppModel& m_model;
    SettingsNameField* m_name;
    QPushButton* m_save;
    CompanionLabel* m_preview;
    CompanionMetricTile* m_pairing;
    CompanionMetricTile* m_clients;
};
