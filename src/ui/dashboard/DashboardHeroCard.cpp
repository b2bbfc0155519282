#include "ui/dashboard/DashboardHeroCard.h"

#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "runtime/RuntimeSnapshot.h"
#include "supervision/CompanionPaths.h"
#include "ui/components/CompanionAppIconBadge.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/dashboard/UpdateActionButton.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

DashboardHeroCard::DashboardHeroCard(CompanionAppModel& model, QWidget* parent)
    : CompanionSurfaceCard(true, parent), m_model(model),
      m_summary(new CompanionLabel(CompanionTextStyle::Body)), m_health(new CompanionStatusPill),
      m_version(new CompanionStatusPill), m_openBrowser(new QPushButton(tr("Open Browser Dashboard"))),
      m_update(new UpdateActionButton(model)) {
    m_summary->setObjectName(QStringLiteral("heroSummary"));
    m_summary->setTone(CompanionLabel::Tone::Secondary);
    m_health->setObjectName(QStringLiteral("heroHealth"));
    m_version->setObjectName(QStringLiteral("heroVersion"));
    m_openBrowser->setAutoDefault(false);
    m_update->setObjectName(QStringLiteral("heroUpdate"));
    connect(m_openBrowser, &QPushButton::clicked, this, [&model] { model.openBrowserDashboard(); });

    auto* title = new CompanionLabel(tr("Vendrilo Connect"), CompanionTextStyle::Title);
    auto* pills = new QHBoxLayout;
    pills->setSpacing(6);
    pills->addWidget(m_health);
    pills->addWidget(m_version);
    pills->addStretch();
    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(m_openBrowser);
    actions->addWidget(m_update);
    actions->addStretch();

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(title);
    texts->addWidget(m_summary);
    texts->addSpacing(2);
    texts->addLayout(pills);
    texts->addSpacing(4);
    texts->addLayout(actions);

    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addWidget(new CompanionAppIconBadge(60), 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    contentLayout()->addLayout(row);
    refresh();
}

void DashboardHeroCard::refresh() {
    m_summary->setTextIfChanged(m_model.statusPresentation().dashboardSummaryText());
    m_health->setTitle(m_model.quickStatusTitle());
    m_health->setTint(m_model.healthTint());
    const auto& runtime = m_model.runtime();
    m_version->setVisible(runtime.has_value());
    if (runtime) {
        m_version->setTitle(QStringLiteral("v") + runtime->identity.agentVersion);
    }
}
