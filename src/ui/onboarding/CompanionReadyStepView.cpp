#include "ui/onboarding/CompanionReadyStepView.h"

#include "model/CompanionAppModel.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "ui/components/CompanionAdaptiveGridLayout.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionMetricTile.h"
#include "ui/components/CompanionSymbolIcon.h"
#include "ui/onboarding/CompanionStepFooter.h"
#include "ui/onboarding/CompanionStepHeading.h"
#include "update/ResolvedReleaseStatus.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int tileColumnWidth = 130;

// "local_and_relay_ready" reads "Local And Relay Ready".
QString words(QString raw) {
    raw.replace(u'_', u' ');
    raw = raw.toLower();
    bool wordStart = true;
    for (QChar& character : raw) {
        if (wordStart && character.isLetter()) {
            character = character.toUpper();
        }
        wordStart = character.isSpace();
    }
    return raw;
}

} // namespace

CompanionReadyStepView::CompanionReadyStepView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_routing(new CompanionMetricTile(tr("Routing"))),
      m_presence(new CompanionMetricTile(tr("Presence"))), m_clients(new CompanionMetricTile(tr("Clients"))),
      m_healthy(new CompanionMetricTile(tr("Healthy"))), m_footer(new CompanionStepFooter(true)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(new CompanionStepHeading(
        tr("Step 4"), tr("Remote access is ready"),
        tr("The companion is online. You can now switch to the dashboard and manage it normally."), this));

    auto* card = new QWidget(this);
    CompanionInsetSurfaceModifier::apply(card, 12);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(16, 14, 16, 16);
    cardLayout->setSpacing(12);
    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    auto* sparkles = new CompanionSymbolIcon(QStringLiteral("sparkles"), 26, card);
    sparkles->setTint(StatusTint::Blue);
    top->addWidget(sparkles, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new CompanionLabel(tr("Setup complete"), CompanionTextStyle::Headline, card));
    auto* note = new CompanionLabel(
        tr("Vendrilo will now use this companion for secure access to your imported clients."),
        CompanionTextStyle::Callout, card);
    note->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(note);
    top->addLayout(texts, 1);
    cardLayout->addLayout(top);
    auto* grid = new CompanionAdaptiveGridLayout(tileColumnWidth);
    for (CompanionMetricTile* tile : tiles()) {
        grid->addWidget(tile);
    }
    cardLayout->addLayout(grid);
    layout->addWidget(card);
    layout->addWidget(m_footer);

    m_footer->setPrimary(tr("Open Dashboard"), true);
    connect(m_footer, &CompanionStepFooter::backClicked, &m_model, &CompanionAppModel::goToPreviousStep);
    connect(m_footer, &CompanionStepFooter::primaryClicked, &m_model,
            &CompanionAppModel::finishGuidedExperience);
    connect(m_footer, &CompanionStepFooter::secondaryClicked, &m_model, &CompanionAppModel::openUpdateAction);
    connect(&m_model, &CompanionAppModel::healthChanged, this, &CompanionReadyStepView::render);
    connect(&m_model, &CompanionAppModel::runtimeChanged, this, &CompanionReadyStepView::render);
    connect(&m_model, &CompanionAppModel::releaseStatusChanged, this, &CompanionReadyStepView::render);
    connect(&m_model, &CompanionAppModel::updateInstallStateChanged, this, &CompanionReadyStepView::render);
    render();
}

QList<CompanionMetricTile*> CompanionReadyStepView::tiles() const {
    return {m_routing, m_presence, m_clients, m_healthy};
}

void CompanionReadyStepView::render() {
    const std::optional<HealthSummary>& health = m_model.health();
    const std::optional<RuntimeSnapshot>& runtime = m_model.runtime();
    m_routing->setValue(health ? words(health->connection.mode) : tr("Starting"));
    m_presence->setValue(runtime ? words(rawValue(runtime->backendStatus.presenceState)) : tr("Offline"));
    m_clients->setValue(QString::number(health ? health->clients.total : 0));
    m_healthy->setValue(QString::number(health ? health->clients.healthy : 0));
    const ResolvedReleaseStatus& release = m_model.releaseStatus();
    m_footer->setSecondary(release.updateAvailable || release.updateRequired ? m_model.updateActionLabel()
                                                                             : QString());
}
