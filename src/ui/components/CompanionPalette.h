#pragma once

#include "model/StatusTint.h"

#include <QColor>
#include <QPalette>

// The colours every window shares, taken from the user's palette so that light
// and dark themes both stay legible. Also the one place a StatusTint becomes a
// colour; the tray calls tint() without any widget.
class CompanionPalette {
public:
    // The window background behind everything.
    static QColor canvas(const QPalette& palette);
    // Card fill.
    static QColor card(const QPalette& palette);
    // Inset panels inside cards.
    static QColor inset(const QPalette& palette);
    // Card and inset outlines.
    static QColor border(const QPalette& palette);
    // The outline of an emphasised card.
    static QColor emphasisBorder(const QPalette& palette);
    // Secondary text.
    static QColor secondaryText(const QPalette& palette);

    // The system colour of a status, in its light or dark shade.
    static QColor tint(StatusTint tint, const QPalette& palette);
    // The same colour darkened or lightened until text in it reads on the
    // background (contrast 4.5:1 at least).
    static QColor tintedText(StatusTint tint, const QPalette& palette, const QColor& background);
    static QColor legibleOn(const QColor& foreground, const QColor& background);

    static bool isDark(const QPalette& palette);
    // WCAG contrast ratio of two opaque colours, 1 to 21.
    static qreal contrast(const QColor& first, const QColor& second);
};
