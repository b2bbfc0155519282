#include "ui/components/CompanionSymbolIcon.h"

#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionPalette.h"

#include <QPainter>

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

void CompanionSymbolIcon::paintEvent(QPaintEvent*) {
    const QColor wanted = colour();
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull() || m_cacheColour != wanted || m_cache.devicePixelRatio() != ratio) {
        m_cache = CompanionIcons::tinted(m_symbol, wanted, m_size, ratio);
        m_cacheColour = wanted;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache);
}
