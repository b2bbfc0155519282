#include "ui/settings/SettingsIdentityCard.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "supervision/BundleInfo.h"
#include "ui/components/CompanionAdaptiveGridLayout.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionMetricTile.h"
#include "ui/settings/SettingsActionRow.h"
#include "ui/settings/SettingsGroupedBox.h"
#include "ui/settings/SettingsNameField.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int nameFieldWidth = 220;
constexpr int metricColumnWidth = 120;
} // namespace

SettingsIdentityCard::SettingsIdentityCard(CompanionAppModel& model, QWidget* parent)
    : SettingsSectionCard(
          QStringLiteral("person.crop.rectangle.stack"), tr("Companion Identity"),
          tr("This name and version info are shown when Vendrilo discovers and pairs this Mac."), parent),
      m_model(model), m_name(new SettingsNameField(model)), m_save(new QPushButton(tr("Save Name"))),
      m_preview(new CompanionLabel(CompanionTextStyle::Headline)),
      m_pairing(new CompanionMetricTile(tr("Pairing"))), m_clients(new CompanionMetricTile(tr("Clients"))) {
    auto* rows = new SettingsGroupedBox(this);
    auto* nameRow = new SettingsValueRow(QStringLiteral("pencil"), tr("Companion name"),
                                         tr("Shown in pairing flows and in Vendrilo on your other devices."));
    m_name->setMinimumWidth(nameFieldWidth);
    nameRow->addTrailing(m_name);
    nameRow->addTrailing(m_save);
    rows->addRow(nameRow);
    rows->addRow(new SettingsActionRow(QStringLiteral("safari"), tr("Browser dashboard"),
                                       tr("Open the local companion dashboard for deeper runtime details."),
                                       [&model] { model.openBrowserDashboard(); }));
    contentLayout()->addWidget(rows);

    auto* preview = new QWidget(this);
    CompanionInsetSurfaceModifier::apply(preview, 10);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(14, 12, 14, 12);
    previewLayout->setSpacing(2);
    previewLayout->addWidget(m_preview);
    auto* note = new CompanionLabel(tr("Shown when devices pair to this Mac."), CompanionTextStyle::Caption);
    note->setTone(CompanionLabel::Tone::Secondary);
    previewLayout->addWidget(note);
    contentLayout()->addWidget(preview);

    auto* tiles = new CompanionAdaptiveGridLayout(metricColumnWidth);
    tiles->addWidget(new CompanionMetricTile(tr("Version"), model.applicationVersion()));
    tiles->addWidget(new CompanionMetricTile(tr("Build"), BundleInfo::main().companionBuildNumber()));
    tiles->addWidget(m_pairing);
    tiles->addWidget(m_clients);
    contentLayout()->addLayout(tiles);

    connect(m_save, &QPushButton::clicked, this, &SettingsIdentityCard::save);
    // Return in the name field saves it.
    connect(m_name, &QLineEdit::returnPressed, this, [this] {
        if (m_save->isEnabled()) {
            save();
        }
    });
    connect(&m_model, &CompanionAppModel::displayNameDraftChanged, this, &SettingsIdentityCard::render);
    connect(&m_model, &CompanionAppModel::runtimeChanged, this, &SettingsIdentityCard::render);
    render();
}

void SettingsIdentityCard::render() {
    m_save->setEnabled(!m_model.displayNameDraft().trimmed().isEmpty());
    m_preview->setTextIfChanged(m_model.settingsDisplayNamePreview());
    m_pairing->setValue(m_model.statusPresentation().pairingStatusLabel());
    m_clients->setValue(QString::number(m_model.currentClients().size()));
}

void SettingsIdentityCard::save() {
    startBackgroundTask(m_model.saveDisplayName(), lcUi(), "Saving the companion name");
}
