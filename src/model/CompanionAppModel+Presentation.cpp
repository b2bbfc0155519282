#include "model/CompanionAppModel.h"

#include <QLocale>

namespace {

// Functions, not constants: the wording catalogue is installed after static initialisation.
QString offlineLabel() {
    return CompanionAppModel::tr("Offline");
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
        return {CompanionAppModel::tr("Local + Relay"), StatusTint::Green,
                CompanionAppModel::tr(
                    "Vendrilo can reach this Mac directly on the same network and can fall back to the "
                    "hosted relay remotely.")};
    }
    if (mode == u"local_ready") {
        return {CompanionAppModel::tr("Local Only"), StatusTint::Blue,
                CompanionAppModel::tr(
                    "This Mac is reachable on the same network right now. Remote relay access is not "
                    "currently connected.")};
    }
    if (mode == u"relay_ready") {
        return {CompanionAppModel::tr("Relay Only"), StatusTint::Blue,
                CompanionAppModel::tr(
                    "Remote access is available through Vendrilo’s hosted relay while the local path is "
                    "not being advertised.")};
    }
    if (mode == u"connecting") {
        return {CompanionAppModel::tr("Connecting"), StatusTint::Orange,
                CompanionAppModel::tr("The companion is bringing secure access online.")};
    }
    if (mode == u"setup_required") {
        return {CompanionAppModel::tr("Setup Needed"), StatusTint::Yellow,
                CompanionAppModel::tr(
                    "Finish pairing this Mac with Vendrilo on Android to enable secure access.")};
    }
    return {offlineLabel(), StatusTint::Secondary,
            CompanionAppModel::tr("The companion is not currently reachable from Vendrilo.")};
}

Badge relayBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->backendStatus.presenceState : PresenceState::Disconnected) {
    case PresenceState::Disconnected:
        break;
    case PresenceState::Connecting:
        return {CompanionAppModel::tr("Connecting"), StatusTint::Orange,
                CompanionAppModel::tr("The companion is reconnecting to Vendrilo’s hosted relay.")};
    case PresenceState::Connected:
        return {CompanionAppModel::tr("Connected"), StatusTint::Green,
                CompanionAppModel::tr("Secure remote access through Vendrilo’s hosted relay is online.")};
    }
    return {offlineLabel(), StatusTint::Secondary,
            CompanionAppModel::tr("Remote relay access is offline until this Mac reconnects.")};
}

Badge pairingBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->identity.pairing.status : PairingStatus::Unpaired) {
    case PairingStatus::Unpaired:
        break;
    case PairingStatus::Pending:
        return {CompanionAppModel::tr("Waiting"), StatusTint::Orange,
                CompanionAppModel::tr(
                    "Approval is waiting in Vendrilo on Android. The QR code, manual code, and expiry "
                    "timer are shown in the pairing popup.")};
    case PairingStatus::Paired:
        return {CompanionAppModel::tr("Paired"), StatusTint::Green,
                CompanionAppModel::tr("This Mac is linked to Vendrilo and ready to expose its clients.")};
    }
    return {CompanionAppModel::tr("Not Paired"), StatusTint::Secondary,
            CompanionAppModel::tr("Start pairing here, then approve this Mac from Vendrilo on Android.")};
}

} // namespace

QString CompanionAppModel::quickStatusTitle() const {
    if (!m_health) {
        return m_errorMessage ? offlineLabel() : tr("Starting…");
    }
    switch (m_health->status) {
    case CompanionHealthStatus::Healthy:
        return tr("Online");
    case CompanionHealthStatus::Degraded:
        return tr("Needs attention");
    case CompanionHealthStatus::SetupRequired:
        return isPairingPending() ? tr("Pairing in progress") : tr("Setup required");
    }
    Q_UNREACHABLE();
    return QString();
}

StatusTint CompanionAppModel::healthTint() const {
    if (!m_health) {
        return m_errorMessage ? StatusTint::Red : StatusTint::Blue;
    }
    switch (m_health->status) {
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

StatusTint CompanionAppModel::menuBarStatusTint() const {
    if (!m_health) {
        return m_errorMessage ? StatusTint::Red : StatusTint::Orange;
    }
    return m_health->status == CompanionHealthStatus::Healthy ? StatusTint::Green : StatusTint::Orange;
}

QString CompanionAppModel::dashboardSummaryText() const {
    if (const QString notice = trimmed(m_noticeMessage); !notice.isEmpty()) {
        return notice;
    }
    if (const QString error = trimmed(m_errorMessage); !error.isEmpty()) {
        return error;
    }
    return connectionModeDescription();
}

QString CompanionAppModel::connectionModeLabel() const {
    return connectionBadge(m_health).label;
}
StatusTint CompanionAppModel::connectionModeTint() const {
    return connectionBadge(m_health).tint;
}
QString CompanionAppModel::connectionModeDescription() const {
    return connectionBadge(m_health).description;
}

QString CompanionAppModel::relayStatusLabel() const {
    return relayBadge(m_runtime).label;
}
StatusTint CompanionAppModel::relayStatusTint() const {
    return relayBadge(m_runtime).tint;
}

QString CompanionAppModel::relayStatusDescription() const {
    if (m_health) {
        if (const QString error = trimmed(m_health->connection.backendLastError); !error.isEmpty()) {
            return error;
        }
    }
    return relayBadge(m_runtime).description;
}

std::optional<QString> CompanionAppModel::relayStatusDetail() const {
    if (!m_runtime || !m_runtime->backendStatus.lastConnectAt) {
        return std::nullopt;
    }
    const QTime time = m_runtime->backendStatus.lastConnectAt->toLocalTime().time();
    return tr("Last connected %1.").arg(QLocale::system().toString(time, QLocale::ShortFormat));
}

QString CompanionAppModel::localAccessLabel() const {
    if (m_runtime && !m_runtime->localNetwork.candidates.isEmpty()) {
        return tr("Available");
    }
    if (m_health && m_health->connection.localListenerReady) {
        return tr("Preparing");
    }
    return tr("Unavailable");
}

StatusTint CompanionAppModel::localAccessTint() const {
    return m_runtime && !m_runtime->localNetwork.candidates.isEmpty() ? StatusTint::Green
                                                                      : StatusTint::Secondary;
}

QString CompanionAppModel::localAccessDescription() const {
    if (m_health) {
        if (const QString error = trimmed(m_health->connection.localLastError); !error.isEmpty()) {
            return error;
        }
    }
    if (m_runtime && !m_runtime->localNetwork.candidates.isEmpty()) {
        return tr("Devices on the same network can connect to this Mac directly.");
    }
    return tr("This Mac is not currently advertising a direct local-network route.");
}

std::optional<QString> CompanionAppModel::localAccessDetail() const {
    if (!m_runtime || m_runtime->localNetwork.candidates.isEmpty()) {
        return std::nullopt;
    }
    const auto& candidates = m_runtime->localNetwork.candidates;
    const QString first = candidates.first().host + u':' + QString::number(candidates.first().port);
    const qsizetype more = candidates.size() - 1;
    if (more == 0) {
        return first;
    }
    return more == 1 ? tr("%1 plus %2 more address.").arg(first, QString::number(more))
                     : tr("%1 plus %2 more addresses.").arg(first, QString::number(more));
}

QString CompanionAppModel::pairingStatusLabel() const {
    return pairingBadge(m_runtime).label;
}
StatusTint CompanionAppModel::pairingStatusTint() const {
    return pairingBadge(m_runtime).tint;
}
QString CompanionAppModel::pairingStatusDescription() const {
    return pairingBadge(m_runtime).description;
}

std::optional<QString> CompanionAppModel::pairingStatusDetail() const {
    if (!isPaired()) {
        return std::nullopt;
    }
    const QString companionId = trimmed(m_runtime->identity.companionId);
    return companionId.isEmpty() ? std::nullopt : std::optional(tr("Companion ID: %1").arg(companionId));
}
