#include "ui/dashboard/DashboardToolbar.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "model/CompanionAppModel.h"
#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionSpinner.h"
#include "ui/dashboard/UpdateActionButton.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

DashboardToolbar::DashboardToolbar(CompanionAppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_update(new UpdateActionButton(model)),
      m_refresh(new QPushButton(tr("Refresh"))), m_refreshing(new QWidget) {
    m_update->setObjectName(QStringLiteral("toolbarUpdate"));
    m_refresh->setObjectName(QStringLiteral("toolbarRefresh"));
    m_refreshing->setObjectName(QStringLiteral("toolbarRefreshing"));
    m_refresh->setAutoDefault(false);
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        startBackgroundTask(m_model.refreshFromToolbar(), lcUi(), "Refreshing from the toolbar");
    });

    auto* refreshing = new QHBoxLayout(m_refreshing);
    refreshing->setContentsMargins(8, 0, 8, 0);
    refreshing->setSpacing(6);
    refreshing->addWidget(new CompanionSpinner(14));
    auto* label = new CompanionLabel(tr("Refreshing"), CompanionTextStyle::Body);
    label->setTone(CompanionLabel::Tone::Secondary);
    label->setSingleLine(true);
    label->setMinimumWidth(label->sizeHint().width());
    refreshing->addWidget(label);
    m_refreshing->setAccessibleName(tr("Refreshing"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(m_update);
    layout->addWidget(m_refresh);
    layout->addWidget(m_refreshing);

    // Refresh and its spinner swap places on every refresh; one fixed height
    // keeps that from moving (and repainting) the page below.
    setFixedHeight(std::max(
        {m_refresh->sizeHint().height(), m_refreshing->sizeHint().height(), m_update->sizeHint().height()}));
    connect(&m_model, &CompanionAppModel::isRefreshingChanged, this, &DashboardToolbar::refresh);
    connect(&m_model, &CompanionAppModel::isBusyChanged, this, &DashboardToolbar::refresh);
    updateIcon();
    refresh();
}

void DashboardToolbar::refresh() {
    const bool refreshing = m_model.isRefreshing();
    m_refresh->setVisible(!refreshing);
    m_refreshing->setVisible(refreshing);
    m_refresh->setEnabled(!refreshing && !m_model.isBusy());
}

void DashboardToolbar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateIcon();
    }
}

void DashboardToolbar::updateIcon() {
    m_refresh->setIcon(CompanionIcons::icon(QStringLiteral("arrow.clockwise"), palette()));
}
