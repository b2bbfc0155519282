#include "ui/settings/SettingsRecentIssuesCard.h"

#include "model/DiagnosticListModel.h"
#include "ui/settings/SettingsIssueCard.h"

#include <QTimer>
#include <QVBoxLayout>

SettingsRecentIssuesCard::SettingsRecentIssuesCard(CompanionAppModel& model, Clock clock, QWidget* parent)
    : SettingsSectionCard(QStringLiteral("exclamationmark.triangle"), tr("Recent Issues"),
                          tr("The latest companion diagnostics that may affect pairing, updates, or remote "
                             "access."),
                          parent),
      m_events(new DiagnosticListModel(model, this)), m_clock(std::move(clock)), m_ticker(new QTimer(this)) {
    contentLayout()->setSpacing(10);
    for (int i = 0; i < shownIssues; ++i) {
        auto* card = new SettingsIssueCard(this);
        m_cards.append(card);
        contentLayout()->addWidget(card);
    }
    m_ticker->setInterval(m_clock.tick);
    connect(m_ticker, &QTimer::timeout, this, &SettingsRecentIssuesCard::retime);
    connect(m_events, &QAbstractItemModel::rowsInserted, this, &SettingsRecentIssuesCard::render);
    connect(m_events, &QAbstractItemModel::rowsRemoved, this, &SettingsRecentIssuesCard::render);
    connect(m_events, &QAbstractItemModel::rowsMoved, this, &SettingsRecentIssuesCard::render);
    connect(m_events, &QAbstractItemModel::dataChanged, this, &SettingsRecentIssuesCard::render);
    connect(m_events, &QAbstractItemModel::modelReset, this, &SettingsRecentIssuesCard::render);
    render();
}

QList<SettingsIssueCard*> SettingsRecentIssuesCard::visibleIssues() const {
    return m_cards.mid(0, std::min<qsizetype>(m_events->rowCount(), shownIssues));
}

void SettingsRecentIssuesCard::render() {
    const QDateTime now = m_clock.now();
    const int count = std::min(m_events->rowCount(), shownIssues);
    for (int row = 0; row < shownIssues; ++row) {
        if (row < count) {
            m_cards[row]->setEvent(m_events->eventAt(row), now);
        }
        m_cards[row]->setVisible(row < count);
    }
    setVisible(count > 0);
}

void SettingsRecentIssuesCard::retime() {
    const QDateTime now = m_clock.now();
    for (SettingsIssueCard* card : visibleIssues()) {
        card->setNow(now);
    }
}

void SettingsRecentIssuesCard::showEvent(QShowEvent* event) {
    SettingsSectionCard::showEvent(event);
    retime();
    m_ticker->start();
}

void SettingsRecentIssuesCard::hideEvent(QHideEvent* event) {
    SettingsSectionCard::hideEvent(event);
    m_ticker->stop();
}
