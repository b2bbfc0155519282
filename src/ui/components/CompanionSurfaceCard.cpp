#include "ui/components/CompanionSurfaceCard.h"

#include "ui/components/CompanionPalette.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

CompanionSurfaceCard::CompanionSurfaceCard(QWidget* parent) : CompanionSurfaceCard(false, parent) {}

CompanionSurfaceCard::CompanionSurfaceCard(bool emphasized, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_emphasized(emphasized) {
    m_layout->setContentsMargins(padding, padding, padding, padding);
    m_layout->setSpacing(12);
}

void CompanionSurfaceCard::setEmphasized(bool emphasized) {
    if (m_emphasized != emphasized) {
        m_emphasized = emphasized;
        update();
    }
}

void CompanionSurfaceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& p = palette();
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(path, CompanionPalette::card(p));
    painter.setPen(QPen(m_emphasized ? CompanionPalette::emphasisBorder(p) : CompanionPalette::border(p), 1));
    painter.drawPath(path);
}
