#include "ui/components/CompanionStatusBanner.h"

#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

CompanionStatusBanner::CompanionStatusBanner(QWidget* parent)
    : QWidget(parent), m_symbol(new CompanionSymbolIcon(QStringLiteral("info.circle"), 20)),
      m_title(new CompanionLabel(CompanionTextStyle::Headline)),
      m_message(new CompanionLabel(CompanionTextStyle::Callout)), m_dismiss(new QToolButton) {
    m_dismiss->setAutoRaise(true);
    m_dismiss->setIconSize(QSize(14, 14));
    m_dismiss->setAccessibleName(tr("Dismiss"));
    m_dismiss->setToolTip(tr("Dismiss"));
    m_dismiss->setCursor(Qt::PointingHandCursor);
    connect(m_dismiss, &QToolButton::clicked, this, &CompanionStatusBanner::dismissed);
    updateDismissIcon();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_message);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 8, 12);
    layout->setSpacing(10);
    layout->addWidget(m_symbol, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addWidget(m_dismiss, 0, Qt::AlignTop);
}

void CompanionStatusBanner::setContent(const QString& symbol, const QString& title, const QString& message,
                                       StatusTint tint) {
    m_tint = tint;
    m_symbol->setSymbol(symbol);
    m_symbol->setTint(tint);
    m_title->setTextIfChanged(title);
    m_title->setTint(tint);
    m_message->setTextIfChanged(message);
    m_message->setTint(tint);
    setAccessibleName(title);
    setAccessibleDescription(message);
    update();
}

QString CompanionStatusBanner::title() const {
    return m_title->text();
}

QString CompanionStatusBanner::message() const {
    return m_message->text();
}

void CompanionStatusBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = CompanionPalette::tint(m_tint, palette());
    QColor fill = colour;
    fill.setAlphaF(0.12f);
    QColor outline = colour;
    outline.setAlphaF(0.35f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(path, CompanionPalette::card(palette()));
    painter.fillPath(path, fill);
    painter.setPen(QPen(outline, 1));
    painter.drawPath(path);
}

void CompanionStatusBanner::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateDismissIcon();
    }
}

void CompanionStatusBanner::updateDismissIcon() {
    m_dismiss->setIcon(QIcon(CompanionIcons::tinted(
        QStringLiteral("xmark"), CompanionPalette::secondaryText(palette()), 14, devicePixelRatioF())));
}
