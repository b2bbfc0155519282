#include "ui/dashboard/DashboardPairingCard.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionProminentButton.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

DashboardPairingCard::DashboardPairingCard(CompanionAppModel& model, QWidget* parent)
    : CompanionSurfaceCard(parent), m_model(model), m_status(new CompanionStatusPill),
      m_description(new CompanionLabel(CompanionTextStyle::Callout)),
      m_detail(new CompanionLabel(CompanionTextStyle::Caption)),
      m_pendingNote(new CompanionLabel(
          tr("The QR code, manual code, and approval timer are shown in the pairing popup."),
          CompanionTextStyle::Caption)),
      m_unpair(new QPushButton(tr("Unpair"))),
      m_openPopup(new CompanionProminentButton(tr("Open Pairing Popup"))),
      m_openOnPhone(new QPushButton(tr("Open on Phone"))), m_cancel(new QPushButton(tr("Cancel"))),
      m_start(new CompanionProminentButton(tr("Start Pairing"))) {
    setObjectName(QStringLiteral("pairingCard"));
    m_status->setObjectName(QStringLiteral("pairingCardStatus"));
    m_start->setObjectName(QStringLiteral("pairingStart"));
    m_openPopup->setObjectName(QStringLiteral("pairingOpenPopup"));
    m_unpair->setObjectName(QStringLiteral("pairingUnpair"));
    m_description->setTone(CompanionLabel::Tone::Secondary);
    m_detail->setTone(CompanionLabel::Tone::Secondary);
    m_detail->setWeight(QFont::Medium);
    m_pendingNote->setTone(CompanionLabel::Tone::Secondary);
    for (QPushButton* button : {m_unpair, m_openPopup, m_openOnPhone, m_cancel, m_start}) {
        // Only the window's sheet and popup answer Return; buttons here need a click.
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(m_unpair, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.resetPairing(), lcUi(), "Unpairing"); });
    connect(m_openPopup, &QPushButton::clicked, this, [this] { m_model.presentPairingOverlay(); });
    connect(m_openOnPhone, &QPushButton::clicked, this, [this] { m_model.openPairingLink(); });
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.cancelPairing(), lcUi(), "Cancelling pairing"); });
    connect(m_start, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.beginPairing(), lcUi(), "Starting pairing"); });

    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(new CompanionSymbolIcon(QStringLiteral("iphone.gen3.radiowaves.left.and.right"), 20));
    auto* title = new CompanionLabel(tr("Pairing"), CompanionTextStyle::Title3);
    title->setWeight(QFont::DemiBold);
    heading->addWidget(title, 1);
    heading->addWidget(m_status);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    for (QPushButton* button : {m_start, m_openPopup, m_openOnPhone, m_unpair}) {
        actions->addWidget(button);
    }
    actions->addStretch();
    actions->addWidget(m_cancel);

    auto* layout = contentLayout();
    layout->setSpacing(10);
    layout->addLayout(heading);
    layout->addWidget(m_description);
    layout->addWidget(m_detail);
    layout->addWidget(m_pendingNote);
    layout->addSpacing(2);
    layout->addLayout(actions);
    refresh();
}

void DashboardPairingCard::refresh() {
    const StatusPresentation status = m_model.statusPresentation();
    m_status->setTitle(status.pairingStatusLabel());
    m_status->setTint(status.pairingStatusTint());
    m_description->setTextIfChanged(status.pairingStatusDescription());
    const std::optional<QString> detail = status.pairingStatusDetail();
    m_detail->setTextIfChanged(detail.value_or(QString()));
    m_detail->setVisible(detail.has_value());

    const bool paired = m_model.isPaired();
    const bool pending = !paired && m_model.isPairingPending();
    m_unpair->setVisible(paired);
    m_pendingNote->setVisible(pending);
    m_openPopup->setVisible(pending);
    m_openOnPhone->setVisible(pending);
    m_cancel->setVisible(pending);
    m_start->setVisible(!paired && !pending);
}
