#include "ui/settings/SettingsWindowView.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionPalette.h"
#include "ui/components/CompanionSurfaceCard.h"
#include "ui/components/ModelMessageBanner.h"
#include "ui/settings/SettingsHeaderCard.h"
#include "ui/settings/SettingsIdentityCard.h"
#include "ui/settings/SettingsMaintenanceCard.h"
#include "ui/settings/SettingsStartupCard.h"

#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int margin = 20;
constexpr int spacing = 16;
} // namespace

SettingsWindowView::SettingsWindowView(CompanionAppModel& model, QWidget* parent)
    : SettingsWindowView(model, SettingsRecentIssuesCard::Clock{}, parent) {}

SettingsWindowView::SettingsWindowView(CompanionAppModel& model, SettingsRecentIssuesCard::Clock clock,
                                       QWidget* parent)
    : QWidget(parent), m_model(model) {
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The canvas shows through.
    scroll->viewport()->setAutoFillBackground(false);

    auto* column = new QWidget(scroll);
    column->setAutoFillBackground(false);
    m_column = new QVBoxLayout(column);
    m_column->setContentsMargins(margin, margin, margin, margin);
    m_column->setSpacing(spacing);
    // What Save Name, the login switch or Restart Runtime made of it shows here too.
    auto* banner = new ModelMessageBanner(model, column);
    banner->setObjectName(QStringLiteral("settingsBanner"));
    m_column->addWidget(banner);
    m_column->addWidget(new SettingsHeaderCard(model, column));
    m_identity = new SettingsIdentityCard(model, column);
    m_column->addWidget(m_identity);
    m_startup = new SettingsStartupCard(model, column);
    m_column->addWidget(m_startup);
    m_column->addWidget(new SettingsMaintenanceCard(model, column));
    m_issues = new SettingsRecentIssuesCard(model, std::move(clock), column);
    m_column->addWidget(m_issues);
    m_column->addStretch();
    scroll->setWidget(column);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    setAccessibleName(tr("Settings"));
}

void SettingsWindowView::addSectionAfterStartup(QWidget* section) {
    auto* card = new CompanionSurfaceCard(m_startup->parentWidget());
    card->contentLayout()->addWidget(section);
    m_column->insertWidget(m_column->indexOf(m_startup) + 1, card);
}

void SettingsWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.startIfNeeded();
}

void SettingsWindowView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), CompanionPalette::canvas(palette()));
}
