#pragma once

#include "companion/RuntimeFacts.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

class ClientStore;
class DiagnosticsStore;
class IdentityStore;
class LocalNetworkMonitor;
class PairingMachine;

// The runtime's state and health as the API reports them, computed from what
// is stored and what is true right now; nothing is claimed that is not (there
// is no relay, so it is never reported as connected).
class StateReporter {
public:
    static constexpr int recentErrorCount = 10;

    StateReporter(RuntimeFacts facts, const DiagnosticsConfig& diagnostics, const IdentityStore& identity,
                  PairingMachine& pairing, const ClientStore& clients, const DiagnosticsStore& events,
                  LocalNetworkMonitor& network);

    void setAdminEndpoint(QString address, QList<QString> allowedOrigins);
    const RuntimeFacts& facts() const noexcept { return m_facts; }

    QString displayName() const;
    RuntimeSnapshot runtime();
    HealthSummary health();

    static QString connectionMode(PairingStatus pairing, bool listenerReady);
    static ClientHealthRollup rollup(const QList<ClientConfig>& clients);
    static CompanionHealthStatus healthStatus(PairingStatus pairing, bool listenerReady,
                                              const ClientHealthRollup& clients);

private:
    RuntimeFacts m_facts;
    const DiagnosticsConfig& m_diagnostics;
    const IdentityStore& m_identity;
    PairingMachine& m_pairing;
    const ClientStore& m_clients;
    const DiagnosticsStore& m_events;
    LocalNetworkMonitor& m_network;
};
