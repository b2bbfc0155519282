#pragma once

#include "runtime/DiagnosticEvent.h"
#include "ui/settings/SettingsIssueStyle.h"

#include <QWidget>

class CompanionLabel;
class CompanionSymbolIcon;

// One diagnostic: its level's symbol and colour, code, message and how long
// ago it happened.
class SettingsIssueCard : public QWidget {
    Q_OBJECT
public:
    explicit SettingsIssueCard(QWidget* parent = nullptr);

    void setEvent(const DiagnosticEvent& event, const QDateTime& now);
    // Rewords the time against a new now.
    void setNow(const QDateTime& now);
    const SettingsIssueStyle& issueStyle() const noexcept { return m_style; }
    QString timeText() const;

private:
    CompanionSymbolIcon* m_symbol;
    CompanionLabel* m_code;
    CompanionLabel* m_message;
    CompanionLabel* m_time;
    SettingsIssueStyle m_style;
    QDateTime m_occurredAt;
};
