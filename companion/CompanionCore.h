#pragma once

#include "companion/ClientProber.h"
#include "companion/ClientRegistry.h"
#include "companion/ClientStore.h"
#include "companion/Database.h"
#include "companion/DiagnosticsStore.h"
#include "companion/EventRecorder.h"
#include "companion/IdentityStore.h"
#include "companion/LocalNetworkMonitor.h"
#include "companion/PairingMachine.h"
#include "companion/PairingStore.h"
#include "companion/SettingsStore.h"
#include "companion/StateReporter.h"

struct CommandLineOptions;
struct RuntimeSettings;

// Everything behind the runtime's two listeners: storage, pairing, clients and
// the state report. Created once; members are built in dependency order.
class CompanionCore {
public:
    // Opens storage (creating the data directory) and applies the effective log
    // settings to log. Throws StorageError or PlatformError.
    CompanionCore(const CommandLineOptions& options, const RuntimeSettings& settings, LogWriter& log);

    const QString& webHost() const noexcept { return m_webHost; }
    IdentityStore& identity() noexcept { return m_identity; }
    DiagnosticsStore& diagnostics() noexcept { return m_diagnostics; }
    EventRecorder& events() noexcept { return m_events; }
    PairingMachine& pairing() noexcept { return m_pairing; }
    ClientRegistry& registry() noexcept { return m_registry; }
    ClientProber& prober() noexcept { return m_prober; }
    LocalNetworkMonitor& network() noexcept { return m_network; }
    StateReporter& reporter() noexcept { return m_reporter; }

private:
    QString m_webHost;
    Database m_database;
    SettingsStore m_settings;
    DiagnosticsConfig m_diagnosticsConfig;
    IdentityStore m_identity;
    PairingStore m_pairingStore;
    ClientStore m_clients;
    DiagnosticsStore m_diagnostics;
    EventRecorder m_events;
    PairingMachine m_pairing;
    ClientRegistry m_registry;
    ClientProber m_prober;
    LocalNetworkMonitor m_network;
    StateReporter m_reporter;
};
