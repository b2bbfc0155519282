#include "ui/pairing/PairingPendingPage.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "ui/components/CompanionAdaptiveGridLayout.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionProminentButton.h"
#include "ui/pairing/PairingCountdown.h"
#include "ui/pairing/PairingInstructionList.h"
#include "ui/pairing/PairingQRCodeView.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QWidget* insetPanel(QLayout* content) {
    auto* panel = new QWidget;
    panel->setLayout(content);
    content->setContentsMargins(16, 14, 16, 14);
    CompanionInsetSurfaceModifier::apply(panel, 12);
    return panel;
}

} // namespace

PairingPendingPage::PairingPendingPage(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    // Approval status with the countdown.
    auto* waiting = new CompanionLabel(tr("Waiting for approval in Vendrilo"), CompanionTextStyle::Headline);
    auto* keepOpen = new CompanionLabel(tr("Keep this popup open while you approve it from Android."),
                                        CompanionTextStyle::Callout);
    keepOpen->setTone(CompanionLabel::Tone::Secondary);
    m_countdown = new CompanionLabel(CompanionTextStyle::Headline);
    m_countdown->setObjectName(QStringLiteral("pairingCountdown"));
    m_countdown->setWeight(QFont::Bold);
    m_countdown->setAlignment(Qt::AlignRight);
    m_expiry = new CompanionLabel(CompanionTextStyle::Caption);
    m_expiry->setObjectName(QStringLiteral("pairingExpiry"));
    m_expiry->setTone(CompanionLabel::Tone::Secondary);
    m_expiry->setAlignment(Qt::AlignRight);
    auto* statusTexts = new QVBoxLayout;
    statusTexts->setSpacing(3);
    statusTexts->addWidget(waiting);
    statusTexts->addWidget(keepOpen);
    auto* timer = new QVBoxLayout;
    timer->setSpacing(3);
    timer->addWidget(m_countdown);
    timer->addWidget(m_expiry);
    timer->addStretch();
    auto* status = new QHBoxLayout;
    status->setSpacing(16);
    status->addLayout(statusTexts, 1);
    status->addLayout(timer);
    layout->addWidget(insetPanel(status));

    // QR code and manual code side by side, stacked when narrow.
    auto* scanTitle = new CompanionLabel(tr("Scan from your phone"), CompanionTextStyle::Headline);
    auto* scanHint = new CompanionLabel(tr("Scan in Vendrilo Connect."), CompanionTextStyle::Caption);
    scanHint->setTone(CompanionLabel::Tone::Secondary);
    m_qrCode = new PairingQRCodeView;
    m_qrCode->setObjectName(QStringLiteral("pairingQRCode"));
    auto* qr = new QVBoxLayout;
    qr->setSpacing(4);
    qr->addWidget(scanTitle);
    qr->addWidget(scanHint);
    qr->addSpacing(8);
    qr->addWidget(m_qrCode, 0, Qt::AlignHCenter);
    qr->addStretch();

    m_manualCode = new QWidget;
    auto* manual = new QVBoxLayout(m_manualCode);
    manual->setContentsMargins(0, 0, 0, 0);
    manual->setSpacing(4);
    manual->addWidget(new CompanionLabel(tr("Manual code"), CompanionTextStyle::Headline));
    m_codeLabel = new QLabel;
    m_codeLabel->setObjectName(QStringLiteral("pairingCode"));
    m_codeLabel->setTextFormat(Qt::PlainText);
    m_codeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_codeLabel->setFocusPolicy(Qt::StrongFocus);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(QApplication::font().pointSizeF() * 32.0 / 13.0);
    mono.setWeight(QFont::Bold);
    m_codeLabel->setFont(mono);
    m_codeLabel->setWordWrap(true);
    manual->addWidget(m_codeLabel);
    auto* approval = new QVBoxLayout;
    approval->setSpacing(14);
    approval->addWidget(m_manualCode);
    approval->addWidget(new PairingInstructionList);
    approval->addStretch();

    auto* panels = new QWidget;
    auto* grid = new CompanionAdaptiveGridLayout(260, panels);
    grid->setSpacing(14);
    grid->addWidget(insetPanel(qr));
    grid->addWidget(insetPanel(approval));
    layout->addWidget(panels);

    m_copyCode = new QPushButton(tr("Copy Code"));
    m_openOnPhone = new CompanionProminentButton(tr("Open on Phone"));
    m_copyLink = new QPushButton(tr("Copy Link"));
    m_cancelPairing = new QPushButton(tr("Cancel Pairing"));
    m_copyCode->setObjectName(QStringLiteral("pairingCopyCode"));
    m_openOnPhone->setObjectName(QStringLiteral("pairingOpenOnPhone"));
    m_copyLink->setObjectName(QStringLiteral("pairingCopyLink"));
    m_cancelPairing->setObjectName(QStringLiteral("pairingCancel"));
    connect(m_copyCode, &QPushButton::clicked, this, [this] { m_model.copyPairingCode(); });
    connect(m_openOnPhone, &QPushButton::clicked, this, [this] { m_model.openPairingLink(); });
    connect(m_copyLink, &QPushButton::clicked, this, [this] { m_model.copyPairingLink(); });
    connect(m_cancelPairing, &QPushButton::clicked, this,
            [this] { startBackgroundTask(m_model.cancelPairing(), lcUi(), "Cancelling pairing"); });
    auto* actions = new QHBoxLayout;
    actions->setSpacing(8);
    actions->addWidget(m_copyCode);
    actions->addWidget(m_openOnPhone);
    actions->addWidget(m_copyLink);
    actions->addStretch();
    actions->addWidget(m_cancelPairing);
    layout->addLayout(actions);
}

void PairingPendingPage::refresh() {
    const auto& runtime = m_model.runtime();
    const std::optional<QString> code = runtime ? runtime->identity.pairing.code : std::nullopt;
    m_manualCode->setVisible(code.has_value());
    if (m_codeLabel->text() != code.value_or(QString())) {
        m_codeLabel->setText(code.value_or(QString()));
        m_codeLabel->setAccessibleName(tr("Manual code %1").arg(code.value_or(QString())));
    }
    m_qrCode->setImage(m_model.pairingQRCode());
    const bool hasLink = m_model.pairingLink().has_value();
    m_openOnPhone->setEnabled(hasLink);
    m_copyLink->setEnabled(hasLink);
}

void PairingPendingPage::refreshCountdown(const QDateTime& now) {
    const auto snapshot = PairingCountdown::snapshot(m_model.runtime(), now);
    m_countdown->setTextIfChanged(PairingCountdown::text(snapshot));
    // Without a timer the line is a quieter callout; fonts change only when
    // that flips, not on every tick.
    if (snapshot.has_value() != m_countdownRunning) {
        m_countdownRunning = snapshot.has_value();
        m_countdown->setFont(CompanionText::font(m_countdownRunning ? CompanionTextStyle::Headline
                                                                    : CompanionTextStyle::Callout,
                                                 QApplication::font()));
        m_countdown->setWeight(m_countdownRunning ? QFont::Bold : QFont::DemiBold);
        m_countdown->setTone(m_countdownRunning ? CompanionLabel::Tone::Primary
                                                : CompanionLabel::Tone::Secondary);
    }
    m_countdown->setTint(PairingCountdown::tint(snapshot));
    m_expiry->setTextIfChanged(PairingCountdown::expiryLine(snapshot));
    m_expiry->setVisible(snapshot.has_value());
}
