#include "ui/pairing/PairingQRCodeView.h"

#include "ui/components/CompanionTextStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

PairingQRCodeView::PairingQRCodeView(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setAccessibleName(tr("Pairing QR code"));
}

void PairingQRCodeView::setImage(const std::optional<QImage>& image) {
    m_image = image.value_or(QImage());
    setAccessibleDescription(m_image.isNull() ? tr("Preparing QR code…") : QString());
    update();
}

QSize PairingQRCodeView::sizeHint() const {
    return {codeSize + quietZone * 2, codeSize + quietZone * 2};
}

void PairingQRCodeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(panel, Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1));
    painter.drawPath(panel);

    const QRect code(quietZone, quietZone, codeSize, codeSize);
    if (m_image.isNull()) {
        painter.setPen(QColor(0x6e, 0x6e, 0x73));
        painter.setFont(CompanionText::font(CompanionTextStyle::Callout, QApplication::font()));
        painter.drawText(code, Qt::AlignCenter | Qt::TextWordWrap, tr("Preparing QR code…"));
        return;
    }
    // Aspect fit, nearest neighbour: every module stays a crisp square.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QSize fitted = m_image.size().scaled(code.size(), Qt::KeepAspectRatio);
    const QRect target(code.center().x() - fitted.width() / 2 + 1,
                       code.center().y() - fitted.height() / 2 + 1, fitted.width(), fitted.height());
    painter.drawImage(target, m_image);
}
