#include "ui/onboarding/CompanionGuidedOnboardingView.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSurfaceCard.h"
#include "ui/onboarding/CompanionClientsStepView.h"
#include "ui/onboarding/CompanionGuideStepView.h"
#include "ui/onboarding/CompanionOnboardingProgressView.h"
#include "ui/onboarding/CompanionPairingStepView.h"
#include "ui/onboarding/CompanionReadyStepView.h"
#include "ui/onboarding/CompanionStepFooter.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The dashboard's step-change spring settles in about this time.
constexpr int stepChangeMilliseconds = 420;
} // namespace

CompanionGuidedOnboardingView::CompanionGuidedOnboardingView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_stepPill(new CompanionStatusPill({}, StatusTint::Blue)),
      m_progress(new CompanionOnboardingProgressView), m_steps(new QWidget),
      m_guide(new CompanionGuideStepView(model)), m_pairing(new CompanionPairingStepView(model)),
      m_clients(new CompanionClientsStepView(model)), m_ready(new CompanionReadyStepView(model)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);

    auto* header = new QHBoxLayout;
    header->setSpacing(16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(new CompanionLabel(tr("Set up Vendrilo Connect"), CompanionTextStyle::LargeTitle, this));
    auto* intro =
        new CompanionLabel(tr("A clean four-step setup for this Mac. Once it’s ready, the app switches "
                              "to the operational dashboard."),
                           CompanionTextStyle::Title3, this);
    intro->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(intro);
    header->addLayout(texts, 1);
    header->addWidget(m_stepPill, 0, Qt::AlignTop);
    layout->addLayout(header);
    layout->addWidget(m_progress);

    auto* card = new CompanionSurfaceCard(this);
    // One column of all four steps, only the current one shown: hidden steps
    // take no room, so the card fits the step on screen.
    auto* stepsLayout = new QVBoxLayout(m_steps);
    stepsLayout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* step : {static_cast<QWidget*>(m_guide), static_cast<QWidget*>(m_pairing),
                          static_cast<QWidget*>(m_clients), static_cast<QWidget*>(m_ready)}) {
        step->hide();
        stepsLayout->addWidget(step);
    }
    card->contentLayout()->addWidget(m_steps);
    layout->addWidget(card);
    // Extra height stays below the card instead of stretching the step.
    layout->addStretch(1);

    auto* fade = new QGraphicsOpacityEffect(m_steps);
    fade->setOpacity(1.0);
    fade->setEnabled(false);
    m_steps->setGraphicsEffect(fade);

    connect(&m_model, &CompanionAppModel::selectedSectionChanged, this,
            &CompanionGuidedOnboardingView::render);
    // completedSteps follows the runtime and the setup flag.
    connect(&m_model, &CompanionAppModel::runtimeChanged, this, &CompanionGuidedOnboardingView::render);
    connect(&m_model, &CompanionAppModel::showOnboardingChanged, this,
            &CompanionGuidedOnboardingView::render);
    render();
}

CompanionStepFooter* CompanionGuidedOnboardingView::currentFooter() const {
    switch (m_model.selectedSection()) {
    case DashboardSection::Guide:
        return m_guide->footer();
    case DashboardSection::Pairing:
        return m_pairing->footer();
    case DashboardSection::Clients:
        return m_clients->footer();
    case DashboardSection::Ready:
        break;
    }
    return m_ready->footer();
}

void CompanionGuidedOnboardingView::render() {
    const DashboardSection section = m_model.selectedSection();
    const auto& sections = allDashboardSections();
    m_stepPill->setTitle(tr("Step %1 of %2").arg(sections.indexOf(section) + 1).arg(sections.size()));
    m_progress->setProgress(section, m_model.completedSteps());
    QWidget* step = nullptr;
    switch (section) {
    case DashboardSection::Guide:
        step = m_guide;
        break;
    case DashboardSection::Pairing:
        step = m_pairing;
        break;
    case DashboardSection::Clients:
        step = m_clients;
        break;
    case DashboardSection::Ready:
        step = m_ready;
        break;
    }
    if (m_current != step) {
        showStep(step);
    }
}

void CompanionGuidedOnboardingView::showStep(QWidget* step) {
    if (m_current) {
        m_current->hide();
    }
    m_current = step;
    step->show();
    if (!isVisible()) {
        return;
    }
    auto* fade = static_cast<QGraphicsOpacityEffect*>(m_steps->graphicsEffect());
    auto* animation = new QPropertyAnimation(fade, "opacity", this);
    animation->setDuration(stepChangeMilliseconds);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    fade->setEnabled(true);
    // An effect left on would render the step through an offscreen buffer for nothing.
    connect(animation, &QPropertyAnimation::finished, fade, [fade] { fade->setEnabled(false); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CompanionGuidedOnboardingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPushButton* primary = currentFooter()->primaryButton();
        if (primary->isEnabled()) {
            primary->click();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
