#pragma once

#include "ui/tray/StatusIconColors.h"

#include <QIconEngine>

#include <memory>

class QSvgRenderer;

// The tray icon as a QIcon that draws itself at whatever size the panel asks
// for (16 to 64 pixels, and their HiDPI doubles), so it is never a scaled
// bitmap. The logo is rasterised for each drawing, then trimmed and placed by
// StatusIconPainter.
class StatusIconEngine : public QIconEngine {
public:
    // A logo that failed to load draws the icon without it.
    StatusIconEngine(std::shared_ptr<QSvgRenderer> logo, StatusIconColors colors);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QImage renderAt(QSize pixelSize) const;

    std::shared_ptr<QSvgRenderer> m_logo;
    StatusIconColors m_colors;
};
