#include "ui/dashboard/DashboardClientsSection.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "ui/components/CompanionSectionHeader.h"
#include "ui/components/CompanionSurfaceCard.h"
#include "ui/dashboard/CompanionClientsEmptyState.h"
#include "ui/dashboard/CompanionDashboardClientRow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

DashboardClientsSection::DashboardClientsSection(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_clients(model), m_testAll(new QPushButton(tr("Test All"))),
      m_addClient(new QPushButton(tr("Add Client"))), m_empty(new CompanionClientsEmptyState),
      m_list(new QWidget), m_listLayout(new QVBoxLayout(m_list)) {
    m_testAll->setObjectName(QStringLiteral("clientsTestAll"));
    m_addClient->setObjectName(QStringLiteral("clientsAdd"));
    m_testAll->setAutoDefault(false);
    m_addClient->setAutoDefault(false);
    connect(m_testAll, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.probeAllClients(), lcUi(), "Testing every client"); });
    connect(m_addClient, &QPushButton::clicked, this, [this] {
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        draft.applyDefaultsForCurrentType();
        m_model.setClientDraft(draft);
    });

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(
        new CompanionSectionHeader(tr("Torrent Clients"),
                                   tr("Manage the qBittorrent, Transmission, and Deluge instances this "
                                      "Mac exposes inside Vendrilo.")),
        1);
    header->addWidget(m_testAll, 0, Qt::AlignBottom);
    header->addWidget(m_addClient, 0, Qt::AlignBottom);

    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(0);
    auto* card = new CompanionSurfaceCard;
    card->contentLayout()->setContentsMargins(18, 4, 14, 4);
    card->contentLayout()->setSpacing(0);
    card->contentLayout()->addWidget(m_empty);
    card->contentLayout()->addWidget(m_list);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addLayout(header);
    layout->addWidget(card);

    connect(&m_clients, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { insertRows(first, last); });
    connect(&m_clients, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { removeRows(first, last); });
    connect(&m_clients, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                // A row moved down lands before `to`, which counted it.
                moveRow(from, to > from ? to - 1 : to);
            });
    connect(
        &m_clients, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& first, const QModelIndex& last) { updateRows(first.row(), last.row()); });
    connect(&m_clients, &QAbstractItemModel::modelReset, this, &DashboardClientsSection::rebuild);
    connect(&m_clients, &QAbstractItemModel::layoutChanged, this, &DashboardClientsSection::rebuild);
    rebuild();
}

CompanionDashboardClientRow* DashboardClientsSection::makeRow(int row) {
    auto* widget = new CompanionDashboardClientRow(m_clients.clientAt(row));
    connect(widget, &CompanionDashboardClientRow::editRequested, this, [this](const QString& id) {
        if (const ClientConfig* client = clientWithId(id)) {
            m_model.setClientDraft(ClientDraft::fromClient(*client));
        }
    });
    connect(widget, &CompanionDashboardClientRow::testRequested, this, [this](const QString& id) {
        if (const ClientConfig* client = clientWithId(id)) {
            startBackgroundTask(m_model.probeClient(*client), lcUi(), "Testing a client");
        }
    });
    connect(widget, &CompanionDashboardClientRow::removeRequested, this, [this](const QString& id) {
        if (const ClientConfig* client = clientWithId(id)) {
            startBackgroundTask(m_model.deleteClient(*client), lcUi(), "Removing a client");
        }
    });
    return widget;
}

void DashboardClientsSection::insertRows(int first, int last) {
    for (int row = first; row <= last; ++row) {
        CompanionDashboardClientRow* widget = makeRow(row);
        m_rows.insert(row, widget);
        m_listLayout->insertWidget(row, widget);
    }
    refreshChrome();
}

void DashboardClientsSection::removeRows(int first, int last) {
    for (int row = last; row >= first; --row) {
        delete m_rows.takeAt(row);
    }
    refreshChrome();
}

void DashboardClientsSection::moveRow(int from, int to) {
    CompanionDashboardClientRow* widget = m_rows.takeAt(from);
    m_rows.insert(to, widget);
    m_listLayout->removeWidget(widget);
    m_listLayout->insertWidget(to, widget);
    refreshChrome();
}

void DashboardClientsSection::updateRows(int first, int last) {
    for (int row = first; row <= last && row < m_rows.size(); ++row) {
        m_rows.at(row)->setClient(m_clients.clientAt(row));
    }
}

void DashboardClientsSection::rebuild() {
    qDeleteAll(m_rows);
    m_rows.clear();
    if (m_clients.rowCount() > 0) {
        insertRows(0, m_clients.rowCount() - 1);
    } else {
        refreshChrome();
    }
}

void DashboardClientsSection::refreshChrome() {
    const bool empty = m_rows.isEmpty();
    m_empty->setVisible(empty);
    m_list->setVisible(!empty);
    m_testAll->setEnabled(!empty);
    // Tab follows the rows' order on screen, also for rows inserted later.
    QWidget* previous = m_addClient;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows.at(i)->setShowsDivider(i > 0);
        QWidget::setTabOrder(previous, m_rows.at(i)->menuButton());
        previous = m_rows.at(i)->menuButton();
    }
}

const ClientConfig* DashboardClientsSection::clientWithId(const QString& id) const {
    for (int row = 0; row < m_clients.rowCount(); ++row) {
        if (m_clients.clientAt(row).id == id) {
            return &m_clients.clientAt(row);
        }
    }
    return nullptr;
}
