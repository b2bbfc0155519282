#include "ui/settings/SettingsSwitch.h"

#include "ui/components/CompanionPalette.h"

#include <QPainter>
#include <QVariantAnimation>

namespace {
constexpr int trackWidth = 38;
constexpr int trackHeight = 22;
constexpr int knobInset = 2;
} // namespace

SettingsSwitch::SettingsSwitch(QWidget* parent)
    : QAbstractButton(parent), m_knob(new QVariantAnimation(this)) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_knob->setDuration(140);
    m_knob->setEasingCurve(QEasingCurve::OutCubic);
    m_knob->setStartValue(0.0);
    m_knob->setEndValue(0.0);
    connect(m_knob, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize SettingsSwitch::sizeHint() const {
    return {trackWidth + 4, trackHeight + 4};
}

void SettingsSwitch::checkStateSet() {
    // The model set the state: no animation, nothing emitted.
    m_knob->stop();
    m_knob->setStartValue(isChecked() ? 1.0 : 0.0);
    m_knob->setEndValue(isChecked() ? 1.0 : 0.0);
    update();
}

void SettingsSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    m_knob->stop();
    m_knob->setStartValue(isChecked() ? 0.0 : 1.0);
    m_knob->setEndValue(isChecked() ? 1.0 : 0.0);
    m_knob->start();
}

bool SettingsSwitch::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

void SettingsSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal progress = m_knob->state() == QAbstractAnimation::Running ? m_knob->currentValue().toReal()
                                                                          : (isChecked() ? 1.0 : 0.0);
    const QRectF track((width() - trackWidth) / 2.0, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const QPalette& colours = palette();
    QColor off = colours.color(QPalette::WindowText);
    off.setAlphaF(CompanionPalette::isDark(colours) ? 0.28f : 0.18f);
    QColor on = colours.color(QPalette::Highlight);
    QColor fill = off;
    if (progress > 0) {
        fill = QColor::fromRgbF(float(off.redF() + (on.redF() - off.redF()) * progress),
                                float(off.greenF() + (on.greenF() - off.greenF()) * progress),
                                float(off.blueF() + (on.blueF() - off.blueF()) * progress),
                                float(off.alphaF() + (on.alphaF() - off.alphaF()) * progress));
    }
    if (!isEnabled()) {
        fill.setAlphaF(fill.alphaF() * 0.5f);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);
    if (hasFocus()) {
        QColor ring = on;
        ring.setAlphaF(0.6f);
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), trackHeight / 2.0 + 1.5,
                                trackHeight / 2.0 + 1.5);
        painter.setPen(Qt::NoPen);
    }
    const qreal knob = trackHeight - 2 * knobInset;
    const qreal travel = trackWidth - 2 * knobInset - knob;
    const QRectF knobRect(track.left() + knobInset + travel * progress, track.top() + knobInset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.6));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);
}
