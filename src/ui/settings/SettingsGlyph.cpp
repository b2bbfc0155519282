#include "ui/settings/SettingsGlyph.h"

#include "ui/components/CompanionIcons.h"

#include <QPainter>

namespace {
constexpr int side = 28;
constexpr int symbolSize = 16;
} // namespace

SettingsGlyph::SettingsGlyph(QString symbol, QWidget* parent) : QWidget(parent), m_symbol(std::move(symbol)) {
    setFixedSize(side, side);
}

void SettingsGlyph::setSymbol(const QString& symbol) {
    if (m_symbol != symbol) {
        m_symbol = symbol;
        update();
    }
}

QSize SettingsGlyph::sizeHint() const {
    return {side, side};
}

void SettingsGlyph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = palette().color(QPalette::Highlight);
    QColor fill = accent;
    fill.setAlphaF(0.14f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
    const QPixmap symbol = CompanionIcons::tinted(m_symbol, accent, symbolSize, devicePixelRatioF());
    painter.drawPixmap((side - symbolSize) / 2, (side - symbolSize) / 2, symbol);
}
