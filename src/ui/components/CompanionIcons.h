#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The symbols the windows draw, looked up by their symbol names
// ("checkmark.seal"). Each exists in a light and a dark variant, compiled into
// the application; the variant that reads on the palette's window is chosen.
class CompanionIcons {
public:
    // An unknown name gives a null icon.
    static QIcon icon(const QString& symbol, const QPalette& palette);
    // The symbol in one colour, for status glyphs and text-coloured buttons.
    static QPixmap tinted(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio);
    static bool contains(const QString& symbol);
    static QStringList symbols();
    // The resource path of one variant.
    static QString path(const QString& symbol, bool dark);
};
