#include "ui/components/CompanionLabel.h"

#include "ui/components/CompanionPalette.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

namespace {

constexpr int preferredCharacters = 64;

// Lays the text out at the width; returns the height it needs.
qreal layOut(QTextLayout& layout, qreal width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace

CompanionLabel::CompanionLabel(CompanionTextStyle style, QWidget* parent)
    : CompanionLabel(QString(), style, parent) {}

CompanionLabel::CompanionLabel(const QString& text, CompanionTextStyle style, QWidget* parent)
    : QLabel(text, parent) {
    CompanionText::apply(this, style);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void CompanionLabel::setTone(Tone tone) {
    m_tone = tone;
    update();
}

void CompanionLabel::setTint(std::optional<StatusTint> tint) {
    if (m_tint != tint) {
        m_tint = tint;
        update();
    }
}

void CompanionLabel::setWeight(QFont::Weight weight) {
    QFont f = font();
    f.setWeight(weight);
    setFont(f);
}

void CompanionLabel::setSingleLine(bool singleLine) {
    m_singleLine = singleLine;
    setWordWrap(!singleLine);
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    if (!singleLine) {
        policy = QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
    }
    setSizePolicy(policy);
    updateGeometry();
}

void CompanionLabel::setTextIfChanged(const QString& text) {
    if (this->text() != text) {
        setText(text);
    }
}

QColor CompanionLabel::textColour() const {
    const QPalette& p = palette();
    if (m_tint) {
        return CompanionPalette::tintedText(*m_tint, p, CompanionPalette::card(p));
    }
    return m_tone == Tone::Secondary ? CompanionPalette::secondaryText(p) : p.color(QPalette::WindowText);
}

bool CompanionLabel::hasHeightForWidth() const {
    return !m_singleLine;
}

int CompanionLabel::heightForWidth(int width) const {
    if (m_singleLine) {
        return sizeHint().height();
    }
    const QMargins m = contentsMargins();
    QTextLayout layout(text(), font());
    const qreal height = layOut(layout, std::max(1, width - m.left() - m.right()));
    return std::max(qCeil(height), fontMetrics().height()) + m.top() + m.bottom();
}

QSize CompanionLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins m = contentsMargins();
    const int natural = metrics.horizontalAdvance(text()) + 1;
    if (m_singleLine) {
        return {natural + m.left() + m.right(), metrics.height() + m.top() + m.bottom()};
    }
    const int width =
        std::min(natural, metrics.averageCharWidth() * preferredCharacters) + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize CompanionLabel::minimumSizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins m = contentsMargins();
    const int width = std::min(metrics.horizontalAdvance(text()) + 1, metrics.averageCharWidth() * 6);
    return {width + m.left() + m.right(), metrics.height() + m.top() + m.bottom()};
}

bool CompanionLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && m_singleLine && toolTip().isEmpty()) {
        // An elided line offers the whole text on hover.
        if (fontMetrics().horizontalAdvance(text()) > contentsRect().width()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QLabel::event(event);
}

void CompanionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(textColour());
    painter.setFont(font());
    const QRect area = contentsRect();
    if (m_singleLine) {
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        painter.drawText(area, int(alignment() | Qt::AlignVCenter) & ~Qt::AlignTop, shown);
        return;
    }
    QTextLayout layout(text(), font());
    layOut(layout, area.width());
    const bool centred = alignment() & Qt::AlignHCenter;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const qreal x = centred ? (area.width() - line.naturalTextWidth()) / 2 : 0;
        line.draw(&painter, area.topLeft() + QPointF(x, 0));
    }
}

void CompanionLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ContentsRectChange) {
        updateGeometry();
    }
}
