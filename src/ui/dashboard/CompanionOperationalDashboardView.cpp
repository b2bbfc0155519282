#include "ui/dashboard/CompanionOperationalDashboardView.h"

#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "ui/components/CompanionAdaptiveGridLayout.h"
#include "ui/components/CompanionInfoCard.h"
#include "ui/dashboard/DashboardClientsSection.h"
#include "ui/dashboard/DashboardHeroCard.h"
#include "ui/dashboard/DashboardPairingCard.h"

#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int minimumCardColumnWidth = 188;
}

CompanionOperationalDashboardView::CompanionOperationalDashboardView(CompanionAppModel& model,
                                                                     QWidget* parent)
    : QWidget(parent), m_model(model), m_hero(new DashboardHeroCard(model)),
      m_pairing(new DashboardPairingCard(model)), m_clients(new DashboardClientsSection(model)) {
    setObjectName(QStringLiteral("operationalDashboard"));
    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("routeCards"));
    auto* gridLayout = new CompanionAdaptiveGridLayout(minimumCardColumnWidth, grid);
    m_cards = {
        new CompanionInfoCard(QStringLiteral("point.3.connected.trianglepath.dotted"), tr("Access Route")),
        new CompanionInfoCard(QStringLiteral("lock.shield"), tr("Hosted Route")),
        new CompanionInfoCard(QStringLiteral("network"), tr("Same-Network Access"))};
    for (CompanionInfoCard* card : m_cards) {
        gridLayout->addWidget(card);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(m_hero);
    layout->addWidget(grid);
    layout->addWidget(m_pairing);
    layout->addSpacing(4);
    layout->addWidget(m_clients);
    layout->addStretch();

    for (const auto changed : {&CompanionAppModel::statusPresentationDidChange,
                               &CompanionAppModel::runtimeChanged, &CompanionAppModel::healthChanged}) {
        connect(&m_model, changed, this, &CompanionOperationalDashboardView::scheduleRefresh);
    }
    refreshNow();
}

void CompanionOperationalDashboardView::scheduleRefresh() {
    if (!m_refreshScheduled) {
        m_refreshScheduled = true;
        QTimer::singleShot(0, this, &CompanionOperationalDashboardView::refreshNow);
    }
}

void CompanionOperationalDashboardView::refreshNow() {
    m_refreshScheduled = false;
    m_hero->refresh();
    const StatusPresentation status = m_model.statusPresentation();
    m_cards.at(0)->setBadge(status.connectionModeLabel(), status.connectionModeTint());
    m_cards.at(0)->setSummary(status.connectionModeDescription());
    m_cards.at(1)->setBadge(status.relayStatusLabel(), status.relayStatusTint());
    m_cards.at(1)->setSummary(status.relayStatusDescription());
    m_cards.at(1)->setDetail(status.relayStatusDetail());
    m_cards.at(2)->setBadge(status.localAccessLabel(), status.localAccessTint());
    m_cards.at(2)->setSummary(status.localAccessDescription());
    m_cards.at(2)->setDetail(status.localAccessDetail());
    m_pairing->refresh();
}
