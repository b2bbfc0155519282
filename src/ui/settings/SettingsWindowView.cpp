#include "ui/settings/SettingsWindowView.h"

#include "model/CompanionAppModel.h"
#include "ui/components/CompanionPalette.h"
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
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->addWidget(new SettingsHeaderCard(model, column));
    m_identity = new SettingsIdentityCard(model, column);
    layout->addWidget(m_identity);
    m_startup = new SettingsStartupCard(model, column);
    layout->addWidget(m_startup);
    layout->addWidget(new SettingsMaintenanceCard(model, column));
    m_issues = new SettingsRecentIssuesCard(model, std::move(clock), column);
    layout->addWidget(m_issues);
    layout->addStretch();
    scroll->setWidget(column);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    setAccessibleName(tr("Settings"));
}

void SettingsWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.startIfNeeded();
}

void SettingsWindowView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), CompanionPalette::canvas(palette()));
}
