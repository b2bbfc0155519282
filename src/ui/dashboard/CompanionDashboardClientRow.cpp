#include "ui/dashboard/CompanionDashboardClientRow.h"

#include "ui/components/ClientPresentation.h"
#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

CompanionDashboardClientRow::CompanionDashboardClientRow(const ClientConfig& client, QWidget* parent)
    : QWidget(parent), m_symbol(new CompanionSymbolIcon(ClientPresentation::typeSymbol(client.type), 20)),
      m_label(new CompanionLabel(CompanionTextStyle::Headline)),
      m_address(new CompanionLabel(CompanionTextStyle::Callout)), m_texts(new QVBoxLayout),
      m_status(new CompanionStatusPill), m_menuButton(new QToolButton) {
    m_label->setSingleLine(true);
    m_address->setSingleLine(true);
    m_address->setTone(CompanionLabel::Tone::Secondary);

    m_symbol->setInsetFrame(38);

    m_menuButton->setAutoRaise(true);
    m_menuButton->setIconSize(QSize(18, 18));
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setCursor(Qt::PointingHandCursor);
    connect(m_menuButton, &QToolButton::clicked, this, [this] {
        QMenu* menu = createMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });
    updateMenuIcon();

    m_texts->setSpacing(2);
    m_texts->addWidget(m_label);
    m_texts->addWidget(m_address);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 12);
    layout->setSpacing(12);
    layout->addWidget(m_symbol, 0, Qt::AlignTop);
    layout->addLayout(m_texts, 1);
    layout->addWidget(m_status, 0, Qt::AlignVCenter);
    layout->addWidget(m_menuButton, 0, Qt::AlignVCenter);
    setClient(client);
}

void CompanionDashboardClientRow::setClient(const ClientConfig& client) {
    m_clientId = client.id;
    m_symbol->setSymbol(ClientPresentation::typeSymbol(client.type));
    m_label->setTextIfChanged(client.label);
    m_address->setTextIfChanged(ClientPresentation::addressLine(client));
    const QString error = client.lastError.value_or(QString());
    if (!error.isEmpty() && !m_error) {
        // Most clients have no error: the line exists only once one had.
        m_error = new CompanionLabel(CompanionTextStyle::Caption);
        m_error->setTint(StatusTint::Orange);
        m_texts->addWidget(m_error);
    }
    if (m_error) {
        m_error->setTextIfChanged(error);
        m_error->setVisible(!error.isEmpty());
    }
    m_status->setTitle(ClientPresentation::statusLabel(client));
    m_status->setTint(ClientPresentation::statusTint(client));
    const QString menuName = tr("More actions for %1").arg(client.label);
    if (m_menuButton->accessibleName() != menuName) {
        m_menuButton->setAccessibleName(menuName);
        m_menuButton->setToolTip(menuName);
        setAccessibleName(client.label);
    }
}

void CompanionDashboardClientRow::setShowsDivider(bool shows) {
    if (m_showsDivider != shows) {
        m_showsDivider = shows;
        update();
    }
}

QMenu* CompanionDashboardClientRow::createMenu() {
    auto* menu = new QMenu(this);
    const QString id = m_clientId;
    menu->addAction(tr("Edit"), this, [this, id] { Q_EMIT editRequested(id); });
    menu->addAction(tr("Test Again"), this, [this, id] { Q_EMIT testRequested(id); });
    menu->addSeparator();
    menu->addAction(tr("Remove"), this, [this, id] { Q_EMIT removeRequested(id); });
    return menu;
}

void CompanionDashboardClientRow::paintEvent(QPaintEvent*) {
    if (!m_showsDivider) {
        return;
    }
    QPainter painter(this);
    painter.setPen(QPen(CompanionPalette::border(palette()), 1));
    painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
}

void CompanionDashboardClientRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateMenuIcon();
    }
}

void CompanionDashboardClientRow::updateMenuIcon() {
    m_menuButton->setIcon(CompanionIcons::icon(QStringLiteral("ellipsis.circle"), palette()));
}
