#include "ui/onboarding/CompanionClientRow.h"

#include "ui/dashboard/CompanionDashboardClientRow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

CompanionClientRow::CompanionClientRow(const ClientConfig& client, QWidget* parent)
    : QWidget(parent), m_client(client), m_identity(new CompanionDashboardClientRow(client)) {
    m_identity->menuButton()->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_identity, 1);
    auto* edit = new QPushButton(tr("Edit"), this);
    auto* test = new QPushButton(tr("Test"), this);
    auto* remove = new QPushButton(tr("Remove"), this);
    for (QPushButton* button : {edit, test, remove}) {
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    connect(edit, &QPushButton::clicked, this, [this] { Q_EMIT editRequested(m_client); });
    connect(test, &QPushButton::clicked, this, [this] { Q_EMIT testRequested(m_client); });
    connect(remove, &QPushButton::clicked, this, [this] { Q_EMIT removeRequested(m_client); });
    setClient(client);
}

void CompanionClientRow::setClient(const ClientConfig& client) {
    m_client = client;
    m_identity->setClient(client);
    // The buttons read the same in every row: the client's name tells them apart.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAccessibleDescription(client.label);
    }
}
