#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

class QWidget;

// Pictures of windows for people to look at, in the light and the dark theme.
namespace UiScreenshots {
QPalette lightPalette();
QPalette darkPalette();
// The content inside a window-like frame: the canvas colour and a margin, as
// the dashboard window hosts it.
QWidget* framed(QWidget* content);
// Renders the widget at the given size in both themes and saves
// "<name>-light.png" and "<name>-dark.png" in a "screenshots" folder beside
// the test binary; leaves the light theme on. Returns the files written.
QStringList saveLightAndDark(QWidget& widget, const QString& name, QSize size);
} // namespace UiScreenshots
