#include "ui/settings/SettingsUpdatesPanel.h"

#include "common/UserFacingError.h"
#include "model/CompanionAppModel.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSymbolIcon.h"
#include "ui/dashboard/UpdateActionButton.h"
#include "ui/settings/SettingsActionRow.h"
#include "ui/settings/SettingsGlyph.h"
#include "ui/settings/SettingsRowDivider.h"
#include "update/ResolvedReleaseStatus.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsUpdatesPanel::SettingsUpdatesPanel(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_verdict(new CompanionLabel(CompanionTextStyle::Callout)),
      m_upToDate(new CompanionSymbolIcon(QStringLiteral("checkmark.seal"), 16)),
      m_summary(new CompanionStatusPill) {
    CompanionInsetSurfaceModifier::apply(this, 10);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 12, 1, 12);
    layout->setSpacing(10);

    auto* heading = new QHBoxLayout;
    heading->setContentsMargins(12, 0, 12, 0);
    heading->setSpacing(12);
    heading->addWidget(new SettingsGlyph(QStringLiteral("arrow.down.circle"), this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* title = new CompanionLabel(tr("Updates"), CompanionTextStyle::Body, this);
    title->setWeight(QFont::Medium);
    texts->addWidget(title);
    auto* verdict = new QHBoxLayout;
    verdict->setSpacing(6);
    m_upToDate->setTint(StatusTint::Green);
    verdict->addWidget(m_upToDate, 0, Qt::AlignTop);
    m_verdict->setTone(CompanionLabel::Tone::Secondary);
    verdict->addWidget(m_verdict, 1);
    texts->addLayout(verdict);
    heading->addLayout(texts, 1);
    heading->addWidget(new UpdateActionButton(model, this), 0, Qt::AlignTop);
    layout->addLayout(heading);

    auto* installed = new QHBoxLayout;
    installed->setContentsMargins(52, 0, 12, 0);
    installed->addWidget(
        new CompanionLabel(tr("Installed ") + model.applicationVersion(), CompanionTextStyle::Callout, this));
    installed->addStretch();
    installed->addWidget(m_summary);
    layout->addLayout(installed);

    layout->addWidget(new SettingsRowDivider(52, this));
    // The row speaks of the folder, so it opens the folder; the download page
    // stays one click away through the update action when a release has no
    // direct download.
    auto* downloads = new SettingsActionRow(
        QStringLiteral("arrow.down.to.line"), tr("Downloads"),
        tr("Open the folder used for downloaded companion updates."), [this] { openDownloadsFolder(); },
        this);
    downloads->layout()->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(downloads);

    connect(&m_model, &CompanionAppModel::releaseStatusChanged, this, &SettingsUpdatesPanel::render);
    connect(&m_model, &CompanionAppModel::updateInstallStateChanged, this, &SettingsUpdatesPanel::render);
    render();
}

void SettingsUpdatesPanel::render() {
    const ResolvedReleaseStatus& release = m_model.releaseStatus();
    if (release.updateRequired) {
        m_verdict->setTextIfChanged(tr("A required update is available for this Mac companion."));
    } else if (release.updateAvailable) {
        m_verdict->setTextIfChanged(tr("A newer companion build is ready to install."));
    } else {
        m_verdict->setTextIfChanged(tr("This Mac companion is up to date."));
    }
    m_upToDate->setVisible(!release.updateRequired && !release.updateAvailable);
    m_summary->setTitle(m_model.updateSummary());
    m_summary->setTint(release.updateRequired    ? StatusTint::Orange
                       : release.updateAvailable ? StatusTint::Blue
                                                 : StatusTint::Secondary);
}

void SettingsUpdatesPanel::openDownloadsFolder() {
    m_model.revealUpdatesDirectory();
}
