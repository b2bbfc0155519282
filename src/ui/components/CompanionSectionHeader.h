#pragma once

#include <QWidget>

class CompanionLabel;

// A title (headline) over a secondary subtitle.
class CompanionSectionHeader : public QWidget {
    Q_OBJECT
public:
    CompanionSectionHeader(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    CompanionLabel* titleLabel() const { return m_title; }
    CompanionLabel* subtitleLabel() const { return m_subtitle; }

private:
    CompanionLabel* m_title;
    CompanionLabel* m_subtitle;
};
