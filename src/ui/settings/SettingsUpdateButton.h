#pragma once

#include <QPushButton>

class CompanionAppModel;

// The primary update action under its current label: install, retry or check.
// Disabled while a check or an installation runs.
class SettingsUpdateButton : public QPushButton {
    Q_OBJECT
public:
    explicit SettingsUpdateButton(CompanionAppModel& model, QWidget* parent = nullptr);

private:
    void render();

    CompanionAppModel& m_model;
};
