#pragma once

#include <QWidget>

// A section's glyph, title and one-line explanation.
class SettingsSectionHeader : public QWidget {
    Q_OBJECT
public:
    SettingsSectionHeader(const QString& symbol, const QString& title, const QString& subtitle,
                          QWidget* parent = nullptr);
};
