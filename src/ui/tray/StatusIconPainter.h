#pragma once

#include "ui/tray/StatusIconColors.h"

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// Draws the tray icon from its 18-point canvas: the logo trimmed of its
// transparent margin, the update badge bottom left and the status dot bottom
// right. Pure drawing, so any size and any colours can be checked.
namespace StatusIconPainter {

inline constexpr qreal canvasSize = 18.0;

// The logo's visible pixels plus two points of margin, clamped to the image;
// the whole image when no pixel is visible. A point is devicePixelRatio pixels.
QRect trimmedLogoRect(const QImage& logo);

// Paints onto a painter whose coordinates span the canvas (0..18, y down). A
// null logo draws no logo.
void paint(QPainter& painter, const QImage& logo, const StatusIconColors& colors);

// The icon at pixelSize, its canvas the largest centred square; transparent
// around what is drawn.
QImage render(QSize pixelSize, const QImage& logo, const StatusIconColors& colors);

} // namespace StatusIconPainter
