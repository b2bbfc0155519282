#include "ui/tray/StatusIconPainter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace StatusIconPainter {
namespace {

// The geometry is given with its origin at the bottom left.
QRectF fromBottomLeft(qreal x, qreal y, qreal width, qreal height) {
    return {x, canvasSize - y - height, width, height};
}

QPointF fromBottomLeft(qreal x, qreal y) {
    return {x, canvasSize - y};
}

void paintBadge(QPainter& painter, const QColor& color) {
    const QRectF oval = fromBottomLeft(0.45, 0.55, 6.35, 6.35);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(oval);

    // The arrow's points are measured from the oval's bottom (minY) and top (maxY).
    const qreal midX = oval.center().x();
    const qreal minY = canvasSize - oval.bottom();
    const qreal maxY = canvasSize - oval.top();
    QPainterPath arrow;
    arrow.moveTo(fromBottomLeft(midX, maxY - 1.9));
    arrow.lineTo(fromBottomLeft(midX, minY + 2.15));
    arrow.moveTo(fromBottomLeft(midX - 1.45, minY + 3.25));
    arrow.lineTo(fromBottomLeft(midX, minY + 1.8));
    arrow.lineTo(fromBottomLeft(midX + 1.45, minY + 3.25));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(arrow);
}

} // namespace

QRect trimmedLogoRect(const QImage& logo) {
    const QImage pixels = logo.convertToFormat(QImage::Format_ARGB32);
    int minColumn = pixels.width();
    int maxColumn = -1;
    int minRow = pixels.height();
    int maxRow = -1;
    for (int row = 0; row < pixels.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(row));
        for (int column = 0; column < pixels.width(); ++column) {
            if (qAlpha(line[column]) != 0) {
                minColumn = std::min(minColumn, column);
                maxColumn = std::max(maxColumn, column);
                minRow = std::min(minRow, row);
                maxRow = std::max(maxRow, row);
            }
        }
    }
    if (maxColumn < 0) {
        return logo.rect();
    }
    const int margin = static_cast<int>(std::lround(2 * logo.devicePixelRatio()));
    const int x = std::max(minColumn - margin, 0);
    const int y = std::max(minRow - margin, 0);
    return {x, y, std::min(logo.width() - x, maxColumn - minColumn + 1 + 2 * margin),
            std::min(logo.height() - y, maxRow - minRow + 1 + 2 * margin)};
}

void paint(QPainter& painter, const QImage& logo, const StatusIconColors& colors) {
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!logo.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(1.0);
        painter.drawImage(fromBottomLeft(1.1, 1.1, 15.8, 15.8), logo, trimmedLogoRect(logo));
    }
    if (colors.badge.isValid()) {
        paintBadge(painter, colors.badge);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.status);
    painter.drawEllipse(fromBottomLeft(11.8, 1.6, 4.8, 4.8));
    painter.restore();
}

QImage render(QSize pixelSize, const QImage& logo, const StatusIconColors& colors) {
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // The canvas is square: centred in whatever shape the panel gives.
    const int side = std::min(pixelSize.width(), pixelSize.height());
    QPainter painter(&image);
    painter.translate((pixelSize.width() - side) / 2.0, (pixelSize.height() - side) / 2.0);
    painter.scale(side / canvasSize, side / canvasSize);
    paint(painter, logo, colors);
    return image;
}

} // namespace StatusIconPainter
