#include "ui/onboarding/CompanionClientsStepView.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/ClientListModel.h"
#include "model/CompanionAppModel.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/onboarding/CompanionClientRow.h"
#include "ui/onboarding/CompanionStepFooter.h"
#include "ui/onboarding/CompanionStepHeading.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CompanionClientsStepView::CompanionClientsStepView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_clients(new ClientListModel(model, this)),
      m_testAll(new QPushButton(tr("Test All"))), m_empty(new QWidget), m_list(new QWidget),
      m_rowsLayout(new QVBoxLayout(m_list)), m_footer(new CompanionStepFooter(true)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(new CompanionStepHeading(
        tr("Step 3"), tr("Add the torrent clients next to this Mac"),
        tr("These are the qBittorrent, Transmission, or Deluge instances Vendrilo will import."), this));

    auto* actions = new QHBoxLayout;
    auto* add = new QPushButton(tr("Add Client"), this);
    actions->addWidget(add);
    actions->addWidget(m_testAll);
    actions->addStretch();
    layout->addLayout(actions);

    CompanionInsetSurfaceModifier::apply(m_empty, 12);
    auto* emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->setContentsMargins(16, 14, 16, 14);
    emptyLayout->addWidget(new CompanionLabel(tr("No clients yet"), CompanionTextStyle::Headline, m_empty));
    auto* hint = new CompanionLabel(tr("Add at least one client to finish the remote-access setup."),
                                    CompanionTextStyle::Callout, m_empty);
    hint->setTone(CompanionLabel::Tone::Secondary);
    emptyLayout->addWidget(hint);
    layout->addWidget(m_empty);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    layout->addWidget(m_list);
    layout->addWidget(m_footer);

    connect(add, &QPushButton::clicked, this, [this] {
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        draft.applyDefaultsForCurrentType();
        m_model.setClientDraft(draft);
    });
    connect(m_testAll, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.probeAllClients(), lcUi(), "Testing every client"); });
    connect(m_footer, &CompanionStepFooter::backClicked, &m_model, &CompanionAppModel::goToPreviousStep);
    connect(m_footer, &CompanionStepFooter::primaryClicked, this,
            [this] { m_model.setSelectedSection(DashboardSection::Ready); });
    connect(m_clients, &QAbstractItemModel::rowsInserted, this, &CompanionClientsStepView::syncRows);
    connect(m_clients, &QAbstractItemModel::rowsRemoved, this, &CompanionClientsStepView::syncRows);
    connect(m_clients, &QAbstractItemModel::rowsMoved, this, &CompanionClientsStepView::syncRows);
    connect(m_clients, &QAbstractItemModel::dataChanged, this, &CompanionClientsStepView::syncRows);
    connect(m_clients, &QAbstractItemModel::modelReset, this, &CompanionClientsStepView::syncRows);
    syncRows();
}

void CompanionClientsStepView::syncRows() {
    const int count = m_clients->rowCount();
    // Rows follow their client, so focus stays on the client it was on.
    QList<CompanionClientRow*> ordered;
    for (int row = 0; row < count; ++row) {
        const ClientConfig& client = m_clients->clientAt(row);
        auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](CompanionClientRow* widget) {
            return widget->client().id == client.id;
        });
        CompanionClientRow* widget = nullptr;
        if (found != m_rows.end()) {
            widget = *found;
            m_rows.erase(found);
        } else {
            widget = new CompanionClientRow(client, m_list);
            connect(widget, &CompanionClientRow::editRequested, this, [this](const ClientConfig& chosen) {
                m_model.setClientDraft(ClientDraft::fromClient(chosen));
            });
            connect(widget, &CompanionClientRow::testRequested, this, [this](const ClientConfig& chosen) {
                startBackgroundTask(m_model.probeClient(chosen), lcUi(), "Testing a client");
            });
            connect(widget, &CompanionClientRow::removeRequested, this, [this](const ClientConfig& chosen) {
                startBackgroundTask(m_model.deleteClient(chosen), lcUi(), "Removing a client");
            });
        }
        widget->setClient(client);
        ordered.append(widget);
    }
    qDeleteAll(m_rows);
    m_rows = ordered;
    for (int row = 0; row < m_rows.size(); ++row) {
        m_rowsLayout->insertWidget(row, m_rows[row]);
    }
    m_empty->setVisible(count == 0);
    m_list->setVisible(count > 0);
    m_testAll->setEnabled(count > 0);
    m_footer->setPrimary(tr("Continue"), count > 0);
}
