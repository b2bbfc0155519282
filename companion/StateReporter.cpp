#include "companion/StateReporter.h"

#include "companion/ClientStore.h"
#include "companion/DiagnosticsStore.h"
#include "companion/IdentityStore.h"
#include "companion/LocalNetworkMonitor.h"
#include "companion/MakerSite.h"
#include "companion/PairingMachine.h"

StateReporter::StateReporter(RuntimeFacts facts, const DiagnosticsConfig& diagnostics,
                             const IdentityStore& identity, PairingMachine& pairing,
                             const ClientStore& clients, const DiagnosticsStore& events,
                             LocalNetworkMonitor& network)
    : m_facts(std::move(facts)), m_diagnostics(diagnostics), m_identity(identity), m_pairing(pairing),
      m_clients(clients), m_events(events), m_network(network) {}

void StateReporter::setAdminEndpoint(QString address, QList<QString> allowedOrigins) {
    m_facts.adminAddress = std::move(address);
    m_facts.allowedOrigins = std::move(allowedOrigins);
}

QString StateReporter::displayName() const {
    return m_identity.chosenDisplayName().value_or(m_facts.hostName);
}

RuntimeSnapshot StateReporter::runtime() {
    const PairingStatePayload pairing = m_pairing.payload();
    const PairingRecord& record = m_pairing.current();
    const bool paired = record.status == PairingStatus::Paired;

    RuntimeSnapshot snapshot;
    snapshot.state = QStringLiteral("running");
    snapshot.dbPath = m_facts.dbPath;
    snapshot.schemaVersion = m_facts.schemaVersion;
    snapshot.defaultConfigCreated = m_facts.defaultConfigCreated;
    snapshot.startedAt = m_facts.startedAt;
    snapshot.adminAddress = m_facts.adminAddress;
    snapshot.identity = {paired ? std::optional<QString>(m_identity.companionId()) : std::nullopt,
                         paired ? record.trustOwnerId : std::nullopt,
                         displayName(),
                         m_facts.platform,
                         m_facts.agentVersion,
                         pairing};
    snapshot.backend = MakerSite::backendConfig(m_facts.webHost);
    snapshot.admin = {true, m_facts.adminAddress, m_facts.allowedOrigins};
    snapshot.diagnostics = m_diagnostics;
    snapshot.clients = m_clients.clients();
    snapshot.registeredAdapters = allClientTypes();
    snapshot.localNetwork = m_network.snapshot();
    snapshot.backendStatus.pairingStatus = record.status;
    snapshot.backendStatus.presenceState = PresenceState::Disconnected;
    snapshot.backendStatus.lastError = MakerSite::relayUnavailableReason();
    snapshot.backendStatus.reconnectAttempts = 0;
    return snapshot;
}

HealthSummary StateReporter::health() {
    const PairingRecord& record = m_pairing.current();
    const LocalNetworkSnapshot network = m_network.snapshot();
    const bool listenerReady = m_network.isListenerReady();

    HealthSummary health;
    health.checkedAt = QDateTime::currentDateTimeUtc();
    health.connection.mode = connectionMode(record.status, listenerReady);
    health.connection.presenceState = PresenceState::Disconnected;
    health.connection.localListenerReady = listenerReady;
    health.connection.localCandidateCount = network.candidates.size();
    health.connection.localLastError = network.lastError;
    health.connection.backendLastError = MakerSite::relayUnavailableReason();
    health.pairing.status = record.status;
    if (record.status == PairingStatus::Paired) {
        health.pairing.companionId = m_identity.companionId();
    }
    health.pairing.trustOwnerKnown =
        record.status == PairingStatus::Paired && record.trustOwnerId.has_value();
    health.clients = rollup(m_clients.clients());
    health.status = healthStatus(record.status, listenerReady, health.clients);
    health.recentErrors = m_events.newestErrors(recentErrorCount);
    return health;
}

QString StateReporter::connectionMode(PairingStatus pairing, bool listenerReady) {
    if (pairing != PairingStatus::Paired) {
        return QStringLiteral("setup_required");
    }
    // Paired but not reachable: neither ready nor on its way there.
    return listenerReady ? QStringLiteral("local_ready") : QStringLiteral("offline");
}

ClientHealthRollup StateReporter::rollup(const QList<ClientConfig>& clients) {
    ClientHealthRollup rollup;
    for (const ClientConfig& client : clients) {
        ++rollup.total;
        if (client.authState == u"ok") {
            ++rollup.healthy;
        } else if (client.authState == u"unknown") {
            ++rollup.unknown;
        } else {
            ++rollup.degraded;
        }
        rollup.clients.append(
            {client.id, client.label, client.type, client.authState, client.lastOkAt, client.lastError});
    }
    return rollup;
}

CompanionHealthStatus StateReporter::healthStatus(PairingStatus pairing, bool listenerReady,
                                                  const ClientHealthRollup& clients) {
    if (pairing != PairingStatus::Paired) {
        return CompanionHealthStatus::SetupRequired;
    }
    return listenerReady && clients.degraded == 0 ? CompanionHealthStatus::Healthy
                                                  : CompanionHealthStatus::Degraded;
}
