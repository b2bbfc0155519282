#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionLabel;
class CompanionStepFooter;
class QCheckBox;
class QLineEdit;

// Step 1: the companion's name and start at login, a preview, and the way on.
class CompanionGuideStepView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionGuideStepView(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStepFooter* footer() const noexcept { return m_footer; }
    QLineEdit* nameField() const noexcept { return m_name; }
    CompanionLabel* errorLine() const noexcept { return m_error; }

private:
    void render();

    CompanionAppModel& m_model;
    QLineEdit* m_name;
    QCheckBox* m_launchAtLogin;
    CompanionLabel* m_installation;
    CompanionLabel* m_starting;
    CompanionLabel* m_error;
    CompanionLabel* m_previewName;
    CompanionLabel* m_previewLaunch;
    CompanionStepFooter* m_footer;
};
