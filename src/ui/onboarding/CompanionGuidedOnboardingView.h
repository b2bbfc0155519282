#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionClientsStepView;
class CompanionGuideStepView;
class CompanionOnboardingProgressView;
class CompanionPairingStepView;
class CompanionReadyStepView;
class CompanionStatusPill;
class CompanionStepFooter;

// The four setup screens shown until the guided setup is finished: the step
// the model selected, the progress so far, and the step's own form and
// buttons. Return presses the step's primary button.
class CompanionGuidedOnboardingView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionGuidedOnboardingView(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStatusPill* stepPill() const noexcept { return m_stepPill; }
    CompanionOnboardingProgressView* progressView() const noexcept { return m_progress; }
    CompanionGuideStepView* guideStep() const noexcept { return m_guide; }
    CompanionPairingStepView* pairingStep() const noexcept { return m_pairing; }
    CompanionClientsStepView* clientsStep() const noexcept { return m_clients; }
    CompanionReadyStepView* readyStep() const noexcept { return m_ready; }
    // The footer of the step on screen.
    CompanionStepFooter* currentFooter() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void render();
    void showStep(QWidget* step);

    CompanionAppModel& m_model;
    CompanionStatusPill* m_stepPill;
    CompanionOnboardingProgressView* m_progress;
    QWidget* m_steps;
    QWidget* m_current = nullptr;
    CompanionGuideStepView* m_guide;
    CompanionPairingStepView* m_pairing;
    CompanionClientsStepView* m_clients;
    CompanionReadyStepView* m_ready;
};
