#include "ui/pairing/CompanionPairingOverlay.h"

#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "runtime/RuntimeSnapshot.h"
#include "ui/components/CompanionAppIconBadge.h"
#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionProminentButton.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSurfaceCard.h"
#include "ui/components/CompanionSymbolIcon.h"
#include "ui/pairing/PairingPendingPage.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int cardPadding = 24;
constexpr int maximumCardWidth = 680;
constexpr int windowMargin = 24;

} // namespace

CompanionPairingOverlay::CompanionPairingOverlay(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_clock([] { return QDateTime::currentDateTimeUtc(); }),
      m_animation(this, "presentation"), m_card(new CompanionSurfaceCard(this)), m_scroll(new QScrollArea) {
    setObjectName(QStringLiteral("pairingOverlay"));
    setAccessibleName(tr("Pair This Mac"));
    setFocusPolicy(Qt::StrongFocus);
    m_card->contentLayout()->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    m_card->contentLayout()->setSpacing(18);
    buildHeader();

    auto* body = new QWidget;
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    m_pending = new PairingPendingPage(model);
    m_finished = buildFinishedPage();
    bodyLayout->addWidget(m_pending);
    bodyLayout->addWidget(m_finished);
    m_scroll->setWidget(body);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The card shows through the scroll area.
    m_scroll->viewport()->setAutoFillBackground(false);
    body->setAutoFillBackground(false);
    m_card->contentLayout()->addWidget(m_scroll, 1);

    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &CompanionPairingOverlay::refreshCountdown);
    m_animation.setEasingCurve(QEasingCurve::OutCubic);
    m_animation.setDuration(defaultAnimationMilliseconds);
    connect(&m_animation, &QPropertyAnimation::finished, this, [this] {
        if (!m_presented) {
            hide();
        }
    });

    for (const auto changed : {&CompanionAppModel::runtimeChanged, &CompanionAppModel::pairingLinkChanged,
                               &CompanionAppModel::pairingQRCodeChanged}) {
        connect(&m_model, changed, this, &CompanionPairingOverlay::refresh);
    }
    parent->installEventFilter(this);
    setGeometry(parent->rect());
    hide();
    refresh();
}

void CompanionPairingOverlay::buildHeader() {
    m_badge = new CompanionAppIconBadge(44);
    m_badge->setCornerSymbol(QStringLiteral("qrcode.viewfinder"));

    auto* title = new CompanionLabel(tr("Pair This Mac"), CompanionTextStyle::Title);
    auto* subtitle = new CompanionLabel(tr("Scan or enter the code in Vendrilo Connect on Android."),
                                        CompanionTextStyle::Callout);
    subtitle->setTone(CompanionLabel::Tone::Secondary);

    m_nameRow = new QWidget;
    auto* nameLayout = new QHBoxLayout(m_nameRow);
    nameLayout->setContentsMargins(0, 2, 0, 0);
    nameLayout->setSpacing(5);
    auto* computer = new CompanionSymbolIcon(QStringLiteral("desktopcomputer"), 13);
    computer->setSecondary(true);
    m_nameLabel = new CompanionLabel(CompanionTextStyle::Caption);
    m_nameLabel->setObjectName(QStringLiteral("pairingDisplayName"));
    m_nameLabel->setTone(CompanionLabel::Tone::Secondary);
    m_nameLabel->setWeight(QFont::Medium);
    m_nameLabel->setSingleLine(true);
    nameLayout->addWidget(computer);
    nameLayout->addWidget(m_nameLabel, 1);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(title);
    texts->addWidget(subtitle);
    texts->addWidget(m_nameRow);

    m_statusPill = new CompanionStatusPill;
    m_statusPill->setObjectName(QStringLiteral("pairingStatusPill"));
    m_closeButton = new QToolButton;
    m_closeButton->setObjectName(QStringLiteral("pairingClose"));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setIconSize(QSize(16, 16));
    m_closeButton->setAccessibleName(tr("Close"));
    m_closeButton->setToolTip(tr("Close"));
    connect(m_closeButton, &QToolButton::clicked, this, &CompanionPairingOverlay::close);

    auto* trailing = new QHBoxLayout;
    trailing->setSpacing(6);
    trailing->addWidget(m_statusPill, 0, Qt::AlignVCenter);
    trailing->addWidget(m_closeButton, 0, Qt::AlignVCenter);

    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(m_badge, 0, Qt::AlignTop);
    header->addLayout(texts, 1);
    header->addLayout(trailing);
    header->setAlignment(trailing, Qt::AlignTop);
    m_card->contentLayout()->addLayout(header);
}

QWidget* CompanionPairingOverlay::buildFinishedPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(8);
    auto* check = new CompanionSymbolIcon(QStringLiteral("checkmark.circle"), 22);
    check->setTint(StatusTint::Green);
    auto* title = new CompanionLabel(tr("Pairing is no longer pending."), CompanionTextStyle::Title3);
    title->setWeight(QFont::DemiBold);
    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(check);
    heading->addWidget(title, 1);
    layout->addLayout(heading);
    auto* note =
        new CompanionLabel(tr("Close this popup to return to the dashboard."), CompanionTextStyle::Callout);
    note->setTone(CompanionLabel::Tone::Secondary);
    layout->addWidget(note);
    m_done = new CompanionProminentButton(tr("Done"));
    m_done->setObjectName(QStringLiteral("pairingDone"));
    connect(m_done, &QPushButton::clicked, this, &CompanionPairingOverlay::close);
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(m_done);
    layout->addSpacing(6);
    layout->addLayout(actions);
    return page;
}

void CompanionPairingOverlay::setClock(std::function<QDateTime()> clock) {
    m_clock = std::move(clock);
    refreshCountdown();
}

void CompanionPairingOverlay::setAnimationDuration(int milliseconds) {
    m_animation.setDuration(milliseconds);
}

void CompanionPairingOverlay::setPresented(bool presented) {
    if (m_presented == presented) {
        return;
    }
    m_presented = presented;
    m_animation.stop();
    if (presented) {
        setGeometry(parentWidget()->rect());
        show();
        raise();
        focusFirstControl();
    }
    if (m_animation.duration() <= 0) {
        setPresentation(presented ? 1.0 : 0.0);
        if (!presented) {
            hide();
        }
        return;
    }
    m_animation.setStartValue(m_presentation);
    m_animation.setEndValue(presented ? 1.0 : 0.0);
    m_animation.start();
}

void CompanionPairingOverlay::setPresentation(qreal value) {
    m_presentation = value;
    // The fade only exists while it is partial: a finished popup draws directly.
    if (value < 1.0) {
        if (!m_fade) {
            m_fade = new QGraphicsOpacityEffect(m_card);
            m_card->setGraphicsEffect(m_fade);
        }
        m_fade->setOpacity(value);
    } else if (m_fade) {
        m_card->setGraphicsEffect(nullptr);
        m_fade = nullptr;
    }
    layOutCard();
    update();
    Q_EMIT presentationChanged(value);
}

void CompanionPairingOverlay::refresh() {
    const bool pending = m_model.isPairingPending();
    const auto& runtime = m_model.runtime();
    const QString name = runtime ? runtime->identity.displayName.trimmed() : QString();
    m_nameLabel->setTextIfChanged(name);
    m_nameRow->setVisible(!name.isEmpty());
    m_statusPill->setTitle(m_model.statusPresentation().pairingStatusLabel());
    m_statusPill->setTint(m_model.statusPresentation().pairingStatusTint());

    m_pending->setVisible(pending);
    m_finished->setVisible(!pending);
    m_pending->refresh();
    if (isVisible()) {
        if (pending && !m_tick.isActive()) {
            m_tick.start();
        } else if (!pending) {
            m_tick.stop();
        }
    }
    refreshCountdown();
    layOutCard();
}

void CompanionPairingOverlay::refreshCountdown() {
    m_pending->refreshCountdown(m_clock());
}

void CompanionPairingOverlay::layOutCard() {
    const QRect area = rect().adjusted(windowMargin, windowMargin, -windowMargin, -windowMargin);
    const int width = std::min(area.width(), maximumCardWidth);
    const int inner = width - 2 * cardPadding;
    QLayout* card = m_card->contentLayout();
    // Header and body at this width, capped by the window; the body scrolls.
    const int header = card->itemAt(0)->layout()->totalHeightForWidth(inner);
    const int body = m_scroll->widget()->heightForWidth(inner);
    const int wanted = header + card->spacing() + std::max(body, 0) + 2 * cardPadding;
    const int height = std::min(area.height(), wanted);
    const qreal scale = 0.98 + 0.02 * m_presentation;
    const QSize size(qRound(width * scale), qRound(height * scale));
    m_card->setGeometry(
        QRect(QPoint(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2), size));
}

void CompanionPairingOverlay::close() {
    m_model.setPairingOverlayPresented(false);
}

void CompanionPairingOverlay::pressProminentButton() {
    QPushButton* prominent = m_model.isPairingPending() ? m_pending->openOnPhoneButton() : m_done;
    if (prominent->isVisible() && prominent->isEnabled()) {
        prominent->click();
    }
}

void CompanionPairingOverlay::focusFirstControl() {
    QPushButton* prominent = m_model.isPairingPending() ? m_pending->openOnPhoneButton() : m_done;
    if (prominent->isEnabled()) {
        prominent->setFocus(Qt::PopupFocusReason);
    } else {
        m_closeButton->setFocus(Qt::PopupFocusReason);
    }
}

bool CompanionPairingOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void CompanionPairingOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, float(0.22 * m_presentation)));
}

void CompanionPairingOverlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutCard();
}

void CompanionPairingOverlay::keyPressEvent(QKeyEvent* event) {
    // Keys the focused control leaves alone arrive here.
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressProminentButton();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CompanionPairingOverlay::mousePressEvent(QMouseEvent* event) {
    if (!m_card->geometry().contains(event->position().toPoint())) {
        close();
    }
    event->accept();
}

void CompanionPairingOverlay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_closeButton->setIcon(QIcon(CompanionIcons::tinted(
        QStringLiteral("xmark"), CompanionPalette::secondaryText(palette()), 16, devicePixelRatioF())));
    if (m_model.isPairingPending()) {
        m_tick.start();
    }
    refreshCountdown();
}

void CompanionPairingOverlay::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_tick.stop();
}

bool CompanionPairingOverlay::focusNextPrevChild(bool next) {
    // Tab stays inside the popup: the content beneath does not take input.
    QList<QWidget*> chain;
    for (QWidget* widget = nextInFocusChain(); widget != this; widget = widget->nextInFocusChain()) {
        if (isAncestorOf(widget) && widget->isVisibleTo(this) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus)) {
            chain.append(widget);
        }
    }
    if (chain.isEmpty()) {
        return true;
    }
    const qsizetype current = chain.indexOf(focusWidget());
    const qsizetype count = chain.size();
    const qsizetype target =
        current < 0 ? (next ? 0 : count - 1) : (current + (next ? 1 : count - 1)) % count;
    chain.at(target)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
