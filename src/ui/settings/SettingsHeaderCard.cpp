#include "ui/settings/SettingsHeaderCard.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionAppIconBadge.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/dashboard/UpdateActionButton.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

SettingsHeaderCard::SettingsHeaderCard(CompanionAppModel& model, QWidget* parent)
    : CompanionSurfaceCard(parent), m_model(model), m_health(new CompanionStatusPill),
      m_update(new UpdateActionButton(model)) {
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(new CompanionAppIconBadge(56, this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(new CompanionLabel(tr("Settings"), CompanionTextStyle::LargeTitle, this));
    auto* purpose = new CompanionLabel(tr("Tune how this Mac identifies itself, launches, updates, and stays "
                                          "available inside Vendrilo Connect."),
                                       CompanionTextStyle::Callout, this);
    purpose->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(purpose);
    auto* pills = new QHBoxLayout;
    pills->setSpacing(8);
    pills->addWidget(new CompanionStatusPill(u'v' + model.applicationVersion(), StatusTint::Secondary, this));
    pills->addWidget(m_health);
    pills->addStretch();
    texts->addSpacing(4);
    texts->addLayout(pills);
    top->addLayout(texts, 1);
    contentLayout()->addLayout(top);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    auto* dashboard = new QPushButton(tr("Open Dashboard"), this);
    connect(dashboard, &QPushButton::clicked, this, [&model] { model.openBrowserDashboard(); });
    actions->addWidget(dashboard);
    actions->addWidget(m_update);
    // Tab follows the row, not the order the buttons were made in.
    setTabOrder(dashboard, m_update);
    actions->addStretch();
    contentLayout()->addSpacing(4);
    contentLayout()->addLayout(actions);

    connect(&m_model, &CompanionAppModel::statusPresentationDidChange, this, &SettingsHeaderCard::render);
    render();
}

void SettingsHeaderCard::render() {
    m_health->setTitle(m_model.quickStatusTitle());
    m_health->setTint(m_model.healthTint());
}
