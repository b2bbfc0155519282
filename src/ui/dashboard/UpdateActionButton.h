#pragma once

#include <QPushButton>

class CompanionAppModel;

// The primary update action: shown only while an update is available or
// required, titled with the model's action label, and disabled while a check
// or an installation runs.
class UpdateActionButton : public QPushButton {
    Q_OBJECT
public:
    explicit UpdateActionButton(CompanionAppModel& model, QWidget* parent = nullptr);

    // Whether the button belongs on screen now.
    bool isOffered() const;

private:
    void refresh();

    CompanionAppModel& m_model;
};
