#include "model/StatusPresentation.h"

#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

#include <QLocale>

namespace {

// Functions, not constants: the wording catalogue is installed after static initialisation.
QString offlineLabel() {
    return StatusPresentation::tr("Offline");
}

QString trimmed(const std::optional<QString>& text) {
    return text.value_or(QString()).trimmed();
}

// Label, tint and description of one status card.
struct Badge {
    QString label;
    StatusTint tint;
    QString description;
};

// Connection modes are exact, case-sensitive texts; anything else reads as offline.
Badge connectionBadge(const std::optional<HealthSummary>& health) {
    const QString mode = health ? health->connection.mode : QString();
    if (mode == u"local_and_relay_ready") {
        return {StatusPresentation::tr("Local + Relay"), StatusTint::Green,
                StatusPresentation::tr(
                    "Vendrilo can reach this Mac directly on the same network and can fall back to the "
                    "hosted relay remotely.")};
    }
    if (mode == u"local_ready") {
        return {StatusPresentation::tr("Local Only"), StatusTint::Blue,
                StatusPresentation::tr(
                    "This Mac is reachable on the same network right now. Remote relay access is not "
                    "currently connected.")};
    }
    if (mode == u"relay_ready") {
        return {StatusPresentation::tr("Relay Only"), StatusTint::Blue,
                StatusPresentation::tr(
                    "Remote access is available through Vendrilo’s hosted relay while the local path is "
                    "not being advertised.")};
    }
    if (mode == u"connecting") {
        return {StatusPresentation::tr("Connecting"), StatusTint::Orange,
                StatusPresentation::tr("The companion is bringing secure access online.")};
    }
    if (mode == u"setup_required") {
        return {StatusPresentation::tr("Setup Needed"), StatusTint::Yellow,
                StatusPresentation::tr(
                    "Finish pairing this Mac with Vendrilo on Android to enable secure access.")};
    }
    return {offlineLabel(), StatusTint::Secondary,
            StatusPresentation::tr("The companion is not currently reachable from Vendrilo.")};
}

Badge relayBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->backendStatus.presenceState : PresenceState::Disconnected) {
    case PresenceState::Disconnected:
        break;
    case PresenceState::Connecting:
        return {StatusPresentation::tr("Connecting"), StatusTint::Orange,
                StatusPresentation::tr("The companion is reconnecting to Vendrilo’s hosted relay.")};
    case PresenceState::Connected:
        return {StatusPresentation::tr("Connected"), StatusTint::Green,
                StatusPresentation::tr("Secure remote access through Vendrilo’s hosted relay is online.")};
    }
    return {offlineLabel(), StatusTint::Secondary,
            StatusPresentation::tr("Remote relay access is offline until this Mac reconnects.")};
}

Badge pairingBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->identity.pairing.status : PairingStatus::Unpaired) {
    case PairingStatus::Unpaired:
        break;
    case PairingStatus::Pending:
        return {StatusPresentation::tr("Waiting"), StatusTint::Orange,
                StatusPresentation::tr(
                    "Approval is waiting in Vendrilo on Android. The QR code, manual code, and expiry "
                    "timer are shown in the pairing popup.")};
    case PairingStatus::Paired:
        return {StatusPresentation::tr("Paired"), StatusTint::Green,
                StatusPresentation::tr("This Mac is linked to Vendrilo and ready to expose its clients.")};
    }
    return {StatusPresentation::tr("Not Paired"), StatusTint::Secondary,
            StatusPresentation::tr("Start pairing here, then approve this Mac from Vendrilo on Android.")};
}

} // namespace

bool StatusPresentation::isPaired(const std::optional<RuntimeSnapshot>& runtime) {
    return runtime && runtime->identity.pairing.status == PairingStatus::Paired;
}

bool StatusPresentation::isPairingPending(const std::optional<RuntimeSnapshot>& runtime) {
    return runtime && runtime->identity.pairing.status == PairingStatus::Pending;
}

QString StatusPresentation::quickStatusTitle() const {
    if (!m_facts.health) {
        return m_facts.errorMessage ? offlineLabel() : tr("Starting…");
    }
    switch (m_facts.health->status) {
    case CompanionHealthStatus::Healthy:
        return tr("Online");
    case CompanionHealthStatus::Degraded:
        return tr("Needs attention");
    case CompanionHealthStatus::SetupRequired:
        return isPairingPending(m_facts.runtime) ? tr("Pairing in progress") : tr("Setup required");
    }
    Q_UNREACHABLE();
    return QString();
}

StatusTint StatusPresentation::healthTint() const {
    if (!m_facts.health) {
        return m_facts.errorMessage ? StatusTint::Red : StatusTint::Blue;
    }
    switch (m_facts.health->status) {
    case CompanionHealthStatus::Healthy:
        return StatusTint::Green;
    case CompanionHealthStatus::Degraded:
        return StatusTint::Orange;
    case CompanionHealthStatus::SetupRequired:
        return StatusTint::Yellow;
    }
    Q_UNREACHABLE();
    return StatusTint::Secondary;
}

StatusTint StatusPresentation::menuBarStatusTint() const {
    if (!m_facts.health) {
        return m_facts.errorMessage ? StatusTint::Red : StatusTint::Orange;
    }
    return m_facts.health->status == CompanionHealthStatus::Healthy ? StatusTint::Green : StatusTint::Orange;
}

QString StatusPresentation::dashboardSummaryText() const {
    if (const QString notice = trimmed(m_facts.noticeMessage); !notice.isEmpty()) {
        return notice;
    }
    if (const QString error = trimmed(m_facts.errorMessage); !error.isEmpty()) {
        return error;
    }
    return connectionModeDescription();
}

QString StatusPresentation::connectionModeLabel() const {
    return connectionBadge(m_facts.health).label;
}
StatusTint StatusPresentation::connectionModeTint() const {
    return connectionBadge(m_facts.health).tint;
}
QString StatusPresentation::connectionModeDescription() const {
    return connectionBadge(m_facts.health).description;
}

QString StatusPresentation::relayStatusLabel() const {
    return relayBadge(m_facts.runtime).label;
}
StatusTint StatusPresentation::relayStatusTint() const {
    return relayBadge(m_facts.runtime).tint;
}

QString StatusPresentation::relayStatusDescription() const {
    if (m_facts.health) {
        if (const QString error = trimmed(m_facts.health->connection.backendLastError); !error.isEmpty()) {
            return error;
        }
    }
    return relayBadge(m_facts.runtime).description;
}

std::optional<QString> StatusPresentation::relayStatusDetail() const {
    if (!m_facts.runtime || !m_facts.runtime->backendStatus.lastConnectAt) {
        return std::nullopt;
    }
    const QTime time = m_facts.runtime->backendStatus.lastConnectAt->toLocalTime().time();
    return tr("Last connected %1.").arg(QLocale::system().toString(time, QLocale::ShortFormat));
}

QString StatusPresentation::localAccessLabel() const {
    if (m_facts.runtime && !m_facts.runtime->localNetwork.candidates.isEmpty()) {
        return tr("Available");
    }
    if (m_facts.health && m_facts.health->connection.localListenerReady) {
        return tr("Preparing");
    }
    return tr("Unavailable");
}

StatusTint StatusPresentation::localAccessTint() const {
    return m_facts.runtime && !m_facts.runtime->localNetwork.candidates.isEmpty() ? StatusTint::Green
                                                                                  : StatusTint::Secondary;
}

QString StatusPresentation::localAccessDescription() const {
    if (m_facts.health) {
        if (const QString error = trimmed(m_facts.health->connection.localLastError); !error.isEmpty()) {
            return error;
        }
    }
    if (m_facts.runtime && !m_facts.runtime->localNetwork.candidates.isEmpty()) {
        return tr("Devices on the same network can connect to this Mac directly.");
    }
    return tr("This Mac is not currently advertising a direct local-network route.");
}

std::optional<QString> StatusPresentation::localAccessDetail() const {
    if (!m_facts.runtime || m_facts.runtime->localNetwork.candidates.isEmpty()) {
        return std::nullopt;
    }
    const auto& candidates = m_facts.runtime->localNetwork.candidates;
    const QString first = candidates.first().host + u':' + QString::number(candidates.first().port);
    const qsizetype more = candidates.size() - 1;
    if (more == 0) {
        return first;
    }
    return more == 1 ? tr("%1 plus %2 more address.").arg(first, QString::number(more))
                     : tr("%1 plus %2 more addresses.").arg(first, QString::number(more));
}

QString StatusPresentation::pairingStatusLabel() const {
    return pairingBadge(m_facts.runtime).label;
}
StatusTint StatusPresentation::pairingStatusTint() const {
    return pairingBadge(m_facts.runtime).tint;
}
QString StatusPresentation::pairingStatusDescription() const {
    return pairingBadge(m_facts.runtime).description;
}

std::optional<QString> StatusPresentation::pairingStatusDetail() const {
    if (!isPaired(m_facts.runtime)) {
        return std::nullopt;
    }
    const QString companionId = trimmed(m_facts.runtime->identity.companionId);
    return companionId.isEmpty() ? std::nullopt : std::optional(tr("Companion ID: %1").arg(companionId));
}
