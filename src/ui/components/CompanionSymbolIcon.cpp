#include "ui/components/CompanionSymbolIcon.h"

#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionPalette.h"

#include <QPainter>
#include <QPainterPath>

CompanionSymbolIcon::CompanionSymbolIcon(const QString& symbol, int size, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_size(size) {
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CompanionSymbolIcon::setSymbol(const QString& symbol) {
    if (m_symbol != symbol) {
        m_symbol = symbol;
        m_cache = {};
        update();
    }
}

void CompanionSymbolIcon::setTint(std::optional<StatusTint> tint) {
    if (m_tint != tint) {
        m_tint = tint;
        update();
    }
}

void CompanionSymbolIcon::setSecondary(bool secondary) {
    m_secondary = secondary;
    update();
}

void CompanionSymbolIcon::setOnAccent(bool onAccent) {
    m_onAccent = onAccent;
    update();
}

QColor CompanionSymbolIcon::colour() const {
    const QPalette& p = palette();
    if (m_onAccent) {
        return p.color(QPalette::HighlightedText);
    }
    if (m_tint) {
        return CompanionPalette::tint(*m_tint, p);
    }
    return m_secondary ? CompanionPalette::secondaryText(p) : p.color(QPalette::WindowText);
}

void CompanionSymbolIcon::setInsetFrame(int frameSize) {
    m_frameSize = frameSize;
    setFixedSize(sizeHint());
    update();
}

QSize CompanionSymbolIcon::sizeHint() const {
    const int side = std::max(m_size, m_frameSize);
    return {side, side};
}

void CompanionSymbolIcon::paintEvent(QPaintEvent*) {
    const QColor wanted = colour();
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull() || m_cacheColour != wanted || m_cache.devicePixelRatio() != ratio) {
        m_cache = CompanionIcons::tinted(m_symbol, wanted, m_size, ratio);
        m_cacheColour = wanted;
    }
    QPainter painter(this);
    if (m_frameSize > 0) {
        // The same panel CompanionInsetSurfaceModifier paints, without a
        // container widget: client rows hold one of these each.
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath panel;
        panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        painter.fillPath(panel, CompanionPalette::inset(palette()));
        painter.setPen(QPen(CompanionPalette::border(palette()), 1));
        painter.drawPath(panel);
    }
    const int offset = (width() - m_size) / 2;
    painter.drawPixmap(offset, offset, m_cache);
}
