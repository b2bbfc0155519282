#include "ui/components/CompanionStatusPill.h"

#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionTextStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int horizontalPadding = 10;
constexpr int dotSize = 7;
constexpr int dotGap = 6;
} // namespace

CompanionStatusPill::CompanionStatusPill(const QString& title, StatusTint tint, QWidget* parent)
    : QWidget(parent), m_tint(tint) {
    setFont(CompanionText::font(CompanionTextStyle::Caption, QApplication::font()));
    QFont f = font();
    f.setWeight(QFont::DemiBold);
    setFont(f);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setTitle(title);
}

void CompanionStatusPill::setTitle(const QString& title) {
    if (m_title == title) {
        return;
    }
    m_title = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

void CompanionStatusPill::setTint(StatusTint tint) {
    if (m_tint != tint) {
        m_tint = tint;
        update();
    }
}

QSize CompanionStatusPill::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {horizontalPadding * 2 + dotSize + dotGap + metrics.horizontalAdvance(m_title) + 1,
            metrics.height() + 8};
}

QSize CompanionStatusPill::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int shortest = std::min(metrics.horizontalAdvance(m_title) + 1, metrics.averageCharWidth() * 6);
    return {horizontalPadding * 2 + dotSize + dotGap + shortest, metrics.height() + 8};
}

void CompanionStatusPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    const QColor colour = CompanionPalette::tint(m_tint, p);
    QColor fill = colour;
    fill.setAlphaF(0.12f);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath capsule;
    capsule.addRoundedRect(area, area.height() / 2, area.height() / 2);
    painter.fillPath(capsule, fill);

    const qreal centreY = area.center().y();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(horizontalPadding + dotSize / 2.0, centreY), dotSize / 2.0, dotSize / 2.0);

    // The title reads on the capsule in both themes: the status colour, made
    // darker or lighter as the background needs.
    const QColor background = CompanionPalette::card(p);
    painter.setPen(CompanionPalette::legibleOn(colour, background));
    const QRect textArea = rect().adjusted(horizontalPadding + dotSize + dotGap, 0, -horizontalPadding, 0);
    painter.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(m_title, Qt::ElideRight, textArea.width()));
}
