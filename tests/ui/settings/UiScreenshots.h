#pragma once

#include <QSize>
#include <QString>

class QWidget;

// Pictures of windows for people to look at.
namespace UiScreenshots {
// Renders the widget at the given size in the dark and then the light theme
// and saves "<name>-dark.png" and "<name>-light.png" with the dashboard's
// screenshots; leaves the light theme on. Returns how many files were written.
int saveLightAndDark(QWidget& widget, const QString& name, QSize size);
} // namespace UiScreenshots
