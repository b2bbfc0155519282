#include "ui/components/CompanionSpinner.h"

#include "ui/components/CompanionPalette.h"

#include <QPainter>

CompanionSpinner::CompanionSpinner(int size, QWidget* parent) : QWidget(parent), m_size(size) {
    setFixedSize(size, size);
    setAccessibleName(tr("In progress"));
    m_rotation.setStartValue(0.0);
    m_rotation.setEndValue(360.0);
    m_rotation.setDuration(900);
    m_rotation.setLoopCount(-1);
    connect(&m_rotation, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

void CompanionSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal stroke = std::max(1.5, m_size / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(stroke, stroke, -stroke, -stroke);
    QColor track = CompanionPalette::secondaryText(palette());
    track.setAlphaF(0.25f);
    painter.setPen(QPen(track, stroke));
    painter.drawEllipse(ring);
    painter.setPen(QPen(CompanionPalette::secondaryText(palette()), stroke, Qt::SolidLine, Qt::RoundCap));
    const int start = int(-m_rotation.currentValue().toReal() * 16);
    painter.drawArc(ring, start, 100 * 16);
}

void CompanionSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_rotation.start();
}

void CompanionSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_rotation.stop();
}
