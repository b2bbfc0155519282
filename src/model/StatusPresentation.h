#pragma once

#include "model/StatusTint.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

struct HealthSummary;
struct RuntimeSnapshot;

// What the status words and tints are computed from: the runtime's last
// answers and the messages on screen.
struct StatusFacts {
    const std::optional<RuntimeSnapshot>& runtime;
    const std::optional<HealthSummary>& health;
    const std::optional<QString>& errorMessage;
    const std::optional<QString>& noticeMessage;
};

// The status every view shows, as a pure function of the facts: the tray's
// title and dot, the dashboard's summary and its three status cards.
class StatusPresentation {
    Q_DECLARE_TR_FUNCTIONS(StatusPresentation)
public:
    explicit StatusPresentation(StatusFacts facts) : m_facts(facts) {}

    static bool isPaired(const std::optional<RuntimeSnapshot>& runtime);
    static bool isPairingPending(const std::optional<RuntimeSnapshot>& runtime);

    QString quickStatusTitle() const;
    StatusTint healthTint() const;
    StatusTint menuBarStatusTint() const;
    QString dashboardSummaryText() const;
    QString connectionModeLabel() const;
    StatusTint connectionModeTint() const;
    QString connectionModeDescription() const;
    QString relayStatusLabel() const;
    StatusTint relayStatusTint() const;
    QString relayStatusDescription() const;
    std::optional<QString> relayStatusDetail() const;
    QString localAccessLabel() const;
    StatusTint localAccessTint() const;
    QString localAccessDescription() const;
    std::optional<QString> localAccessDetail() const;
    QString pairingStatusLabel() const;
    StatusTint pairingStatusTint() const;
    QString pairingStatusDescription() const;
    std::optional<QString> pairingStatusDetail() const;

private:
    StatusFacts m_facts;
};
