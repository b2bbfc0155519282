#include "ui/components/CompanionIcons.h"

#include "ui/components/CompanionPalette.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

QString CompanionIcons::path(const QString& symbol, bool dark) {
    return QStringLiteral(":/companion/symbols/%1/%2.svg")
        .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"), symbol);
}

bool CompanionIcons::contains(const QString& symbol) {
    return QFile::exists(path(symbol, false));
}

QStringList CompanionIcons::symbols() {
    QStringList names;
    const QStringList files = QDir(QStringLiteral(":/companion/symbols/light")).entryList(QDir::Files);
    for (const QString& file : files) {
        names.append(file.chopped(4)); // ".svg"
    }
    return names;
}

QIcon CompanionIcons::icon(const QString& symbol, const QPalette& palette) {
    if (!contains(symbol)) {
        return {};
    }
    // The dark variant draws light strokes, for dark windows.
    return QIcon(path(symbol, CompanionPalette::isDark(palette)));
}

QPixmap CompanionIcons::tinted(const QString& symbol, const QColor& color, int size, qreal devicePixelRatio) {
    QSvgRenderer renderer(path(symbol, false));
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    if (!renderer.isValid()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    // Every shape takes the colour; the symbols are single-colour line art.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
