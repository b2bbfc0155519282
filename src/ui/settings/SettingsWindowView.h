#pragma once

#include "ui/settings/SettingsRecentIssuesCard.h"

#include <QWidget>

class CompanionAppModel;
class SettingsIdentityCard;
class SettingsStartupCard;
class QVBoxLayout;

// The settings window's content: identity, startup, maintenance and recent
// issues, all read from and acted on through the model. Showing it starts the
// model if nothing has yet.
class SettingsWindowView : public QWidget {
    Q_OBJECT
public:
    SettingsWindowView(CompanionAppModel& model, QWidget* parent = nullptr);
    // Tests pass their own clock for the issue times.
    SettingsWindowView(CompanionAppModel& model, SettingsRecentIssuesCard::Clock clock,
                       QWidget* parent = nullptr);

    SettingsIdentityCard* identityCard() const noexcept { return m_identity; }
    SettingsStartupCard* startupCard() const noexcept { return m_startup; }
    SettingsRecentIssuesCard* recentIssuesCard() const noexcept { return m_issues; }
    // A section the window's owner supplies (the notification switches),
    // placed on a card of its own after the startup card.
    void addSectionAfterStartup(QWidget* section);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CompanionAppModel& m_model;
    SettingsIdentityCard* m_identity;
    SettingsStartupCard* m_startup;
    SettingsRecentIssuesCard* m_issues;
    QVBoxLayout* m_column;
};
