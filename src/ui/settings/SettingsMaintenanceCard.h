#pragma once

#include "ui/settings/SettingsSectionCard.h"

class CompanionAppModel;

// Updates, the runtime's files, and restarting the runtime.
class SettingsMaintenanceCard : public SettingsSectionCard {
    Q_OBJECT
public:
    explicit SettingsMaintenanceCard(CompanionAppModel& model, QWidget* parent = nullptr);
};
