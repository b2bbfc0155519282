#include "ui/components/CompanionPalette.h"

#include <cmath>

namespace {

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(alpha);
    return color;
}

qreal channel(qreal value) {
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor& from, const QColor& to, qreal amount) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * amount),
                            float(a.greenF() + (b.greenF() - a.greenF()) * amount),
                            float(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

} // namespace

QColor CompanionPalette::canvas(const QPalette& palette) {
    return palette.color(QPalette::Base);
}

QColor CompanionPalette::card(const QPalette& palette) {
    return palette.color(QPalette::Window);
}

// The control background of the platform is the text background here too.
QColor CompanionPalette::inset(const QPalette& palette) {
    return palette.color(QPalette::Base);
}

QColor CompanionPalette::border(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), 0.18);
}

QColor CompanionPalette::emphasisBorder(const QPalette& palette) {
    // The accent alone at 18 % disappears on a dark card; a little more keeps
    // the emphasis visible in both themes.
    return withAlpha(palette.color(QPalette::Highlight), isDark(palette) ? 0.45 : 0.35);
}

QColor CompanionPalette::secondaryText(const QPalette& palette) {
    return mix(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.4);
}

QColor CompanionPalette::tint(StatusTint tint, const QPalette& palette) {
    const bool dark = isDark(palette);
    switch (tint) {
    case StatusTint::Green:
        return dark ? QColor(0x30, 0xd1, 0x58) : QColor(0x34, 0xc7, 0x59);
    case StatusTint::Orange:
        return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xff, 0x95, 0x00);
    case StatusTint::Yellow:
        return dark ? QColor(0xff, 0xd6, 0x0a) : QColor(0xff, 0xcc, 0x00);
    case StatusTint::Red:
        return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xff, 0x3b, 0x30);
    case StatusTint::Blue:
        return dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x7a, 0xff);
    case StatusTint::Secondary:
        break;
    }
    return secondaryText(palette);
}

QColor CompanionPalette::tintedText(StatusTint status, const QPalette& palette, const QColor& background) {
    return legibleOn(tint(status, palette), background);
}

QColor CompanionPalette::legibleOn(const QColor& foreground, const QColor& background) {
    constexpr qreal minimumContrast = 4.5;
    const QColor target = luminance(background) > 0.4 ? QColor(Qt::black) : QColor(Qt::white);
    QColor color = foreground.toRgb();
    color.setAlpha(255);
    for (int step = 0; step < 20 && contrast(color, background) < minimumContrast; ++step) {
        color = mix(color, target, 0.1);
    }
    return color;
}

bool CompanionPalette::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

qreal CompanionPalette::contrast(const QColor& first, const QColor& second) {
    const qreal a = luminance(first);
    const qreal b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
