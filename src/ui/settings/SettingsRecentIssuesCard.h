#pragma once

#include "ui/settings/SettingsSectionCard.h"

#include <QDateTime>
#include <QList>

#include <chrono>
#include <functional>

class CompanionAppModel;
class DiagnosticListModel;
class QTimer;
class SettingsIssueCard;

// The first few diagnostics, newest as the runtime orders them, with times
// that keep counting while the card is on screen. Hidden when there are none.
class SettingsRecentIssuesCard : public SettingsSectionCard {
    Q_OBJECT
public:
    static constexpr int shownIssues = 4;

    struct Clock {
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
        std::chrono::milliseconds tick{1000};
    };

    SettingsRecentIssuesCard(CompanionAppModel& model, Clock clock, QWidget* parent = nullptr);

    QList<SettingsIssueCard*> visibleIssues() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void render();
    void retime();

    DiagnosticListModel* m_events;
    Clock m_clock;
    QTimer* m_ticker;
    QList<SettingsIssueCard*> m_cards;
};
