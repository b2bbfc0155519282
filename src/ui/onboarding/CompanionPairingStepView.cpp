#include "ui/onboarding/CompanionPairingStepView.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionSymbolIcon.h"
#include "ui/onboarding/CompanionStepFooter.h"
#include "ui/onboarding/CompanionStepHeading.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int qrSide = 168;

QWidget* insetPanel(QWidget* parent, QVBoxLayout*& layout) {
    auto* panel = new QWidget(parent);
    CompanionInsetSurfaceModifier::apply(panel, 12);
    layout = new QVBoxLayout(panel);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);
    return panel;
}

// The locale's short time, without seconds even where its short format has them.
QString shortTime(const QDateTime& moment) {
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss"));
    return locale.toString(moment.toLocalTime().time(), format);
}

} // namespace

CompanionPairingStepView::CompanionPairingStepView(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_code(new CompanionLabel(CompanionTextStyle::Title)),
      m_expiry(new CompanionLabel(CompanionTextStyle::Callout)),
      m_openOnPhone(new QPushButton(tr("Open on Phone"))), m_qrCode(new QLabel),
      m_footer(new CompanionStepFooter(true)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(new CompanionStepHeading(
        tr("Step 2"), tr("Pair with Vendrilo on Android"),
        tr("Start pairing here, then approve it in the Vendrilo Android app."), this));
    m_paired = makePairedBody();
    m_pending = makePendingBody();
    m_unpaired = makeUnpairedBody();
    // One body at a time; hidden ones take no room.
    for (QWidget* body : {m_paired, m_pending, m_unpaired}) {
        body->hide();
        layout->addWidget(body);
    }
    layout->addWidget(m_footer);

    connect(m_footer, &CompanionStepFooter::backClicked, &m_model, &CompanionAppModel::goToPreviousStep);
    connect(m_footer, &CompanionStepFooter::primaryClicked, this, &CompanionPairingStepView::primary);
    connect(m_footer, &CompanionStepFooter::secondaryClicked, this, &CompanionPairingStepView::secondary);
    connect(&m_model, &CompanionAppModel::runtimeChanged, this, &CompanionPairingStepView::render);
    connect(&m_model, &CompanionAppModel::pairingLinkChanged, this, &CompanionPairingStepView::render);
    connect(&m_model, &CompanionAppModel::pairingQRCodeChanged, this, &CompanionPairingStepView::render);
    render();
}

QWidget* CompanionPairingStepView::makePairedBody() {
    QVBoxLayout* layout = nullptr;
    QWidget* panel = insetPanel(this, layout);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* symbol = new CompanionSymbolIcon(QStringLiteral("checkmark.circle.fill"), 28, panel);
    symbol->setTint(StatusTint::Green);
    row->addWidget(symbol, 0, Qt::AlignVCenter);
    auto* paired = new CompanionLabel(tr("This Mac is paired"), CompanionTextStyle::Title3, panel);
    paired->setSingleLine(true);
    row->addWidget(paired, 1, Qt::AlignVCenter);
    layout->addLayout(row);
    return panel;
}

QWidget* CompanionPairingStepView::makePendingBody() {
    auto* body = new QWidget(this);
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);

    QVBoxLayout* approval = nullptr;
    QWidget* approvalPanel = insetPanel(body, approval);
    auto* ask =
        new CompanionLabel(tr("Approve the pairing from Vendrilo."), CompanionTextStyle::Headline, body);
    approval->addWidget(ask);
    QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    code.setPointSizeF(m_code->font().pointSizeF());
    code.setBold(true);
    m_code->setFont(code);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code->setAccessibleName(tr("Pairing code"));
    approval->addWidget(m_code);
    m_expiry->setTone(CompanionLabel::Tone::Secondary);
    approval->addWidget(m_expiry);
    approval->addStretch();
    auto* buttons = new QHBoxLayout;
    auto* copy = new QPushButton(tr("Copy Code"), body);
    connect(copy, &QPushButton::clicked, &m_model, &CompanionAppModel::copyPairingCode);
    connect(m_openOnPhone, &QPushButton::clicked, &m_model, &CompanionAppModel::openPairingLink);
    buttons->addWidget(copy);
    buttons->addWidget(m_openOnPhone);
    setTabOrder(copy, m_openOnPhone);
    buttons->addStretch();
    approval->addLayout(buttons);
    row->addWidget(approvalPanel, 1);

    QVBoxLayout* scan = nullptr;
    QWidget* scanPanel = insetPanel(body, scan);
    auto* scanTitle =
        new CompanionLabel(tr("Scan from your phone camera"), CompanionTextStyle::Headline, body);
    scanTitle->setAlignment(Qt::AlignHCenter);
    scan->addWidget(scanTitle);
    m_qrCode->setFixedSize(qrSide, qrSide);
    m_qrCode->setAlignment(Qt::AlignCenter);
    // The code reads best dark on white, whatever the theme.
    m_qrCode->setStyleSheet(QStringLiteral("background: white; color: #555; border-radius: 8px;"));
    m_qrCode->setAccessibleName(tr("Pairing QR code"));
    scan->addWidget(m_qrCode, 0, Qt::AlignHCenter);
    row->addWidget(scanPanel);
    return body;
}

QWidget* CompanionPairingStepView::makeUnpairedBody() {
    QVBoxLayout* layout = nullptr;
    QWidget* panel = insetPanel(this, layout);
    layout->addWidget(new CompanionLabel(tr("Ready to pair this Mac"), CompanionTextStyle::Headline, panel));
    auto* explanation =
        new CompanionLabel(tr("We’ll generate a pairing code and a QR link you can approve from the Vendrilo "
                              "Android app."),
                           CompanionTextStyle::Callout, panel);
    explanation->setTone(CompanionLabel::Tone::Secondary);
    layout->addWidget(explanation);
    return panel;
}

void CompanionPairingStepView::showBody(QWidget* body) {
    for (QWidget* candidate : {m_paired, m_pending, m_unpaired}) {
        candidate->setVisible(candidate == body);
    }
}

void CompanionPairingStepView::render() {
    if (m_model.isPaired()) {
        showBody(m_paired);
        m_footer->setPrimary(tr("Continue"), true);
        m_footer->setSecondary(tr("Unpair"));
        return;
    }
    if (m_model.isPairingPending()) {
        const PairingStatePayload& pairing = m_model.runtime()->identity.pairing;
        showBody(m_pending);
        m_code->setTextIfChanged(pairing.code.value_or(QString()));
        m_expiry->setTextIfChanged(pairing.expiresAt ? tr("Expires ") + shortTime(*pairing.expiresAt)
                                                     : QString());
        m_openOnPhone->setEnabled(m_model.pairingLink().has_value());
        if (const std::optional<QImage>& image = m_model.pairingQRCode()) {
            // Nearest-neighbour: the modules stay sharp.
            QPixmap pixmap = QPixmap::fromImage(
                image->scaled(qrSide - 16, qrSide - 16, Qt::KeepAspectRatio, Qt::FastTransformation));
            m_qrCode->setPixmap(pixmap);
        } else {
            m_qrCode->setText(tr("Preparing QR code…"));
        }
        m_footer->setPrimary(tr("Waiting for Approval"), false);
        m_footer->setSecondary(tr("Cancel"));
        return;
    }
    showBody(m_unpaired);
    m_footer->setPrimary(tr("Start Pairing"), true);
    m_footer->setSecondary({});
}

void CompanionPairingStepView::primary() {
    if (m_model.isPaired()) {
        m_model.setSelectedSection(DashboardSection::Clients);
    } else if (!m_model.isPairingPending()) {
        startBackgroundTask(m_model.beginPairing(), lcUi(), "Starting pairing");
    }
}

void CompanionPairingStepView::secondary() {
    if (m_model.isPaired()) {
        startBackgroundTask(m_model.resetPairing(), lcUi(), "Unpairing");
    } else if (m_model.isPairingPending()) {
        startBackgroundTask(m_model.cancelPairing(), lcUi(), "Cancelling pairing");
    }
}
