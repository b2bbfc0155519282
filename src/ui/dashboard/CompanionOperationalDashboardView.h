#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionInfoCard;
class DashboardClientsSection;
class DashboardHeroCard;
class DashboardPairingCard;

// The everyday screen once the guided setup is done: the hero, the three route
// cards, the pairing card and the torrent clients. The model's many change
// signals of one refresh are folded into one update of the texts.
class CompanionOperationalDashboardView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionOperationalDashboardView(CompanionAppModel& model, QWidget* parent = nullptr);

    DashboardHeroCard* heroCard() const { return m_hero; }
    const QList<CompanionInfoCard*>& infoCards() const { return m_cards; }
    DashboardPairingCard* pairingCard() const { return m_pairing; }
    DashboardClientsSection* clientsSection() const { return m_clients; }

    // Applies the model now rather than at the next turn of the event loop.
    void refreshNow();

private:
    void scheduleRefresh();

    CompanionAppModel& m_model;
    DashboardHeroCard* m_hero;
    QList<CompanionInfoCard*> m_cards;
    DashboardPairingCard* m_pairing;
    DashboardClientsSection* m_clients;
    bool m_refreshScheduled = false;
};
