#include "model/CompanionAppModel.h"

#include <QLocale>

namespace {

const QString offlineLabel = QStringLiteral("Offline");
const QString unreachableDescription =
    QStringLiteral("The companion is not currently reachable from Vendrilo.");

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
        return {QStringLiteral("Local + Relay"), StatusTint::Green,
                QStringLiteral(
                    "Vendrilo can reach this Mac directly on the same network and can fall back to the "
                    "hosted relay remotely.")};
    }
    if (mode == u"local_ready") {
        return {
            QStringLiteral("Local Only"), StatusTint::Blue,
            QStringLiteral("This Mac is reachable on the same network right now. Remote relay access is not "
                           "currently connected.")};
    }
    if (mode == u"relay_ready") {
        return {QStringLiteral("Relay Only"), StatusTint::Blue,
                QStringLiteral(
                    "Remote access is available through Vendrilo’s hosted relay while the local path is "
                    "not being advertised.")};
    }
    if (mode == u"connecting") {
        return {QStringLiteral("Connecting"), StatusTint::Orange,
                QStringLiteral("The companion is bringing secure access online.")};
    }
    if (mode == u"setup_required") {
        return {QStringLiteral("Setup Needed"), StatusTint::Yellow,
                QStringLiteral("Finish pairing this Mac with Vendrilo on Android to enable secure access.")};
    }
    return {offlineLabel, StatusTint::Secondary, unreachableDescription};
}

Badge relayBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->backendStatus.presenceState : PresenceState::Disconnected) {
    case PresenceState::Disconnected:
        break;
    case PresenceState::Connecting:
        return {QStringLiteral("Connecting"), StatusTint::Orange,
                QStringLiteral("The companion is reconnecting to Vendrilo’s hosted relay.")};
    case PresenceState::Connected:
        return {QStringLiteral("Connected"), StatusTint::Green,
                QStringLiteral("Secure remote access through Vendrilo’s hosted relay is online.")};
    }
    return {offlineLabel, StatusTint::Secondary,
            QStringLiteral("Remote relay access is offline until this Mac reconnects.")};
}

Badge pairingBadge(const std::optional<RuntimeSnapshot>& runtime) {
    switch (runtime ? runtime->identity.pairing.status : PairingStatus::Unpaired) {
    case PairingStatus::Unpaired:
        break;
    case PairingStatus::Pending:
        return {
            QStringLiteral("Waiting"), StatusTint::Orange,
            QStringLiteral("Approval is waiting in Vendrilo on Android. The QR code, manual code, and expiry "
                           "timer are shown in the pairing popup.")};
    case PairingStatus::Paired:
        return {QStringLiteral("Paired"), StatusTint::Green,
                QStringLiteral("This Mac is linked to Vendrilo and ready to expose its clients.")};
    }
    return {QStringLiteral("Not Paired"), StatusTint::Secondary,
            QStringLiteral("Start pairing here, then approve this Mac from Vendrilo on Android.")};
}

} // namespace

QString CompanionAppModel::quickStatusTitle() const {
    if (!m_health) {
        return m_errorMessage ? offlineLabel : QStringLiteral("Starting…");
    }
    switch (m_health->status) {
    case CompanionHealthStatus::Healthy:
        return QStringLiteral("Online");
    case CompanionHealthStatus::Degraded:
        return QStringLiteral("Needs attention");
    case CompanionHealthStatus::SetupRequired:
        return isPairingPending() ? QStringLiteral("Pairing in progress") : QStringLiteral("Setup required");
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
    return QStringLiteral("Last connected ") + QLocale::system().toString(time, QLocale::ShortFormat) + u'.';
}

QString CompanionAppModel::localAccessLabel() const {
    if (m_runtime && !m_runtime->localNetwork.candidates.isEmpty()) {
        return QStringLiteral("Available");
    }
    if (m_health && m_health->connection.localListenerReady) {
        return QStringLiteral("Preparing");
    }
    return QStringLiteral("Unavailable");
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
        return QStringLiteral("Devices on the same network can connect to this Mac directly.");
    }
    return QStringLiteral("This Mac is not currently advertising a direct local-network route.");
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
    return first + QStringLiteral(" plus ") + QString::number(more) + QStringLiteral(" more address") +
           (more == 1 ? QString() : QStringLiteral("es")) + u'.';
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
    return companionId.isEmpty() ? std::nullopt
                                 : std::optional(QStringLiteral("Companion ID: ") + companionId);
}
