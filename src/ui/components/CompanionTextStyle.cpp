#include "ui/components/CompanionTextStyle.h"

#include <QApplication>
#include <QWidget>

namespace {

struct Metrics {
    // Points on a 13-point body; the small sizes sit a little above the
    // platform's so that they stay readable on low-density screens.
    qreal size;
    QFont::Weight weight;
};

Metrics metrics(CompanionTextStyle style) {
    switch (style) {
    case CompanionTextStyle::LargeTitle:
        return {26, QFont::Bold};
    case CompanionTextStyle::Title:
        return {22, QFont::Bold};
    case CompanionTextStyle::Title2:
        return {17, QFont::Normal};
    case CompanionTextStyle::Title3:
        return {15, QFont::Normal};
    case CompanionTextStyle::Headline:
        return {13, QFont::DemiBold};
    case CompanionTextStyle::Body:
        return {13, QFont::Normal};
    case CompanionTextStyle::Callout:
        return {12, QFont::Normal};
    case CompanionTextStyle::Subheadline:
        return {11.5, QFont::Normal};
    case CompanionTextStyle::Caption:
        return {11, QFont::Normal};
    case CompanionTextStyle::Caption2:
        return {10.5, QFont::Normal};
    }
    return {13, QFont::Normal};
}

} // namespace

QFont CompanionText::font(CompanionTextStyle style, const QFont& base) {
    const Metrics m = metrics(style);
    QFont font = base;
    const qreal basePoints = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    // The scale is laid out for a 13-point body; the base font is the body.
    font.setPointSizeF(basePoints * m.size / 13.0);
    font.setWeight(m.weight);
    return font;
}

void CompanionText::apply(QWidget* widget, CompanionTextStyle style, std::optional<QFont::Weight> weight) {
    QFont font = CompanionText::font(style, QApplication::font());
    if (weight) {
        font.setWeight(*weight);
    }
    widget->setFont(font);
}
