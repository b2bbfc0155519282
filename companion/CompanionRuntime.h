#pragma once

#include "companion/AdminRoutes.h"
#include "companion/CompanionCore.h"
#include "companion/LanRoutes.h"

#include <QCoro/QCoroTask>
#include <QObject>

#include <chrono>

class HttpService;

// The running runtime: the core plus its two listeners, the admin API on the
// loopback address from the command line and the local-network listener on
// all interfaces.
class CompanionRuntime : public QObject {
    Q_OBJECT
public:
    // Connections held at once: the admin API serves the app and the user's
    // browser; the local-network listener a phone or two, at most a few per address.
    static constexpr int maxAdminConnections = 256;
    static constexpr int maxLanConnections = 32;
    static constexpr int maxLanConnectionsPerAddress = 8;

    // Throws StorageError or PlatformError (database, data directory, admin address).
    CompanionRuntime(const CommandLineOptions& options, const RuntimeSettings& settings, LogWriter& log,
                     QObject* parent = nullptr);

    // Stops accepting connections and lets requests in flight finish, for at most grace.
    QCoro::Task<> shutdown(std::chrono::milliseconds grace);

private:
    void startLanListener(quint16 preferredPort);

    LogWriter& m_log;
    CompanionCore m_core;
    AdminRoutes m_adminRoutes;
    LanRoutes m_lanRoutes;
    HttpService* m_admin;
    HttpService* m_lan;
};
