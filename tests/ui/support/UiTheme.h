#pragma once

#include <QPalette>
#include <QScopeGuard>
#include <QSize>
#include <QString>

class QWidget;

// The offscreen look every UI test shares: Fusion, a light and a dark palette,
// and pictures of windows written beside the test binary for people to look at.
namespace UiTheme {
// Fusion with the light palette; call once.
void useFusion();
QPalette light();
QPalette dark();
// The theme's palette until the guard ends, then the light one again.
[[nodiscard]] QScopeGuard<void (*)()> use(const QString& theme);
// The rows of a screenshot table: column "theme", "light" and "dark".
void addThemeRows();
// The folder the screenshots go to (created).
QString screenshotFolder();
// Writes name.png; false when it could not.
bool save(QWidget& widget, const QString& name);
// The widget at the given size in the dark and then the light theme, as
// "<name>-dark.png" and "<name>-light.png"; returns how many were written.
int saveLightAndDark(QWidget& widget, const QString& name, QSize size);
// What a screen reader says for a control: its accessible name, else a button's text.
QString spokenName(const QWidget* widget);
} // namespace UiTheme
