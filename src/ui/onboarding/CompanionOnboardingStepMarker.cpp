#include "ui/onboarding/CompanionOnboardingStepMarker.h"

#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int dotSize = 10;
constexpr int dotGap = 8;
} // namespace

CompanionOnboardingStepMarker::CompanionOnboardingStepMarker(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(new CompanionLabel(title, CompanionTextStyle::Caption, this)),
      m_status(new CompanionLabel(CompanionTextStyle::Caption2, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(dotSize + dotGap, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_title);
    layout->addWidget(m_status);
    m_status->setTone(CompanionLabel::Tone::Secondary);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    applyStyle();
}

CompanionOnboardingStepMarker::State
CompanionOnboardingStepMarker::stateFor(int position, int selectedPosition, int completedSteps) {
    if (position < completedSteps) {
        return State::Done;
    }
    return position == selectedPosition ? State::Now : State::Next;
}

void CompanionOnboardingStepMarker::setState(State state, bool selected) {
    m_state = state;
    m_selected = selected;
    applyStyle();
}

QString CompanionOnboardingStepMarker::statusWord() const {
    return m_status->text();
}

QColor CompanionOnboardingStepMarker::dotColor() const {
    switch (m_state) {
    case State::Done:
        return CompanionPalette::tint(StatusTint::Green, palette());
    case State::Now:
        return CompanionPalette::tint(StatusTint::Blue, palette());
    case State::Next:
        break;
    }
    QColor faint = CompanionPalette::secondaryText(palette());
    faint.setAlphaF(0.35f);
    return faint;
}

void CompanionOnboardingStepMarker::applyStyle() {
    switch (m_state) {
    case State::Done:
        m_status->setText(tr("Done"));
        break;
    case State::Now:
        m_status->setText(tr("Now"));
        break;
    case State::Next:
        m_status->setText(tr("Next"));
        break;
    }
    m_title->setWeight(m_selected ? QFont::DemiBold : QFont::Medium);
    m_title->setTone(m_selected ? CompanionLabel::Tone::Primary : CompanionLabel::Tone::Secondary);
    setAccessibleName(m_title->text() + u": " + m_status->text());
    update();
}

void CompanionOnboardingStepMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dotColor());
    // Centred on the title's first line.
    const int top = m_title->geometry().top() + (m_title->fontMetrics().height() - dotSize) / 2;
    painter.drawEllipse(QRectF(0.5, top + 0.5, dotSize - 1, dotSize - 1));
}
