#pragma once

#include <QFont>

#include <optional>

class QWidget;

// The type scale of the windows, relative to the user's base font so that a
// larger system font scales every window.
enum class CompanionTextStyle {
    LargeTitle,
    Title,
    Title2,
    Title3,
    Headline,
    Body,
    Callout,
    Subheadline,
    Caption,
    Caption2,
};

namespace CompanionText {
QFont font(CompanionTextStyle style, const QFont& base);
// Sets the widget's font from the style and an explicit weight.
void apply(QWidget* widget, CompanionTextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
} // namespace CompanionText
