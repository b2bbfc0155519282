#include "ui/components/CompanionAppIconBadge.h"

#include "ui/components/CompanionIcons.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int shadowMargin = 3;

void drawPlainMark(QPainter& painter, const QRectF& square, const QPalette& palette) {
    const QColor accent = palette.color(QPalette::Highlight);
    QLinearGradient gradient(square.topLeft(), square.bottomRight());
    gradient.setColorAt(0, accent.lighter(125));
    gradient.setColorAt(1, accent.darker(135));
    painter.fillRect(square, gradient);
    // Two linked rings: this computer and the phone.
    QPen pen(Qt::white, square.width() * 0.085, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal ring = square.width() * 0.22;
    const QPointF centre = square.center();
    painter.drawEllipse(centre - QPointF(ring * 0.55, 0), ring, ring);
    painter.drawEllipse(centre + QPointF(ring * 0.55, 0), ring, ring);
}

} // namespace

CompanionAppIconBadge::CompanionAppIconBadge(int size, QWidget* parent) : QWidget(parent), m_size(size) {
    setFixedSize(sizeHint());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CompanionAppIconBadge::setCornerSymbol(const QString& symbol) {
    m_cornerSymbol = symbol;
    update();
}

QSize CompanionAppIconBadge::sizeHint() const {
    return {m_size + shadowMargin * 2, m_size + shadowMargin * 2};
}

void CompanionAppIconBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF square(shadowMargin, shadowMargin - 1, m_size, m_size);
    const qreal radius = 0.28 * m_size;

    // A faint shadow: a few widening, fading outlines below the square.
    for (int i = 1; i <= shadowMargin; ++i) {
        QPainterPath shadow;
        shadow.addRoundedRect(square.adjusted(-i * 0.5, 0, i * 0.5, i), radius + i * 0.5, radius + i * 0.5);
        painter.fillPath(shadow, QColor(0, 0, 0, 14));
    }

    QPainterPath clip;
    clip.addRoundedRect(square, radius, radius);
    painter.save();
    painter.setClipPath(clip);
    const QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) {
        drawPlainMark(painter, square, palette());
    } else {
        painter.drawPixmap(square.toRect(), appIcon.pixmap(QSize(m_size, m_size), devicePixelRatioF()));
    }
    painter.restore();

    if (!m_cornerSymbol.isEmpty()) {
        const qreal disc = m_size * 0.5;
        const QRectF discRect(width() - disc - 1, height() - disc - 1, disc, disc);
        painter.setPen(QPen(palette().color(QPalette::Window), 2));
        painter.setBrush(palette().color(QPalette::Highlight));
        painter.drawEllipse(discRect);
        const int glyph = qRound(disc * 0.62);
        const QPixmap symbol = CompanionIcons::tinted(
            m_cornerSymbol, palette().color(QPalette::HighlightedText), glyph, devicePixelRatioF());
        painter.drawPixmap(QPointF(discRect.center().x() - glyph / 2.0, discRect.center().y() - glyph / 2.0),
                           symbol);
    }
}
