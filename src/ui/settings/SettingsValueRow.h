#pragma once

#include <QWidget>

class CompanionLabel;
class QHBoxLayout;

// A glyph, a title over a subtitle, and a control on the right.
class SettingsValueRow : public QWidget {
    Q_OBJECT
public:
    SettingsValueRow(const QString& symbol, const QString& title, const QString& subtitle,
                     QWidget* trailing = nullptr, QWidget* parent = nullptr);

    void setSubtitle(const QString& subtitle);
    // Appends a control after the ones already on the right.
    void addTrailing(QWidget* trailing);

private:
    CompanionLabel* m_subtitle;
    QHBoxLayout* m_trailing;
};
