#include "ui/tray/StatusIconEngine.h"

#include "ui/tray/StatusIconPainter.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>

StatusIconEngine::StatusIconEngine(std::shared_ptr<QSvgRenderer> logo, StatusIconColors colors)
    : m_logo(std::move(logo)), m_colors(std::move(colors)) {}

void StatusIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) {
    const qreal scale = painter->device()->devicePixelRatioF();
    QImage image = renderAt(rect.size() * scale);
    image.setDevicePixelRatio(scale);
    painter->drawImage(rect, image);
}

QPixmap StatusIconEngine::pixmap(const QSize& size, QIcon::Mode, QIcon::State) {
    return QPixmap::fromImage(renderAt(size));
}

// QIcon passes the size in device pixels already.
QPixmap StatusIconEngine::scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) {
    QPixmap pixmap = QPixmap::fromImage(renderAt(size));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QList<QSize> StatusIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
}

QIconEngine* StatusIconEngine::clone() const {
    return new StatusIconEngine(m_logo, m_colors);
}

QString StatusIconEngine::key() const {
    return QStringLiteral("StatusIconEngine");
}

QImage StatusIconEngine::renderAt(QSize pixelSize) const {
    QImage logo;
    if (m_logo && m_logo->isValid()) {
        // At least as many logo pixels as the icon will show; the asset's own
        // pixels stay its points, so the trimming margin keeps its size.
        const QSize nominal = m_logo->defaultSize();
        const qreal ratio =
            std::max(1.0, std::max(pixelSize.width(), pixelSize.height()) / StatusIconPainter::canvasSize);
        logo = QImage(nominal * ratio, QImage::Format_ARGB32_Premultiplied);
        logo.fill(Qt::transparent);
        QPainter painter(&logo);
        m_logo->render(&painter);
        painter.end();
        logo.setDevicePixelRatio(ratio);
    }
    return StatusIconPainter::render(pixelSize, logo, m_colors);
}
