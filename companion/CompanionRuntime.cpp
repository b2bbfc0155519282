#include "companion/CompanionRuntime.h"

#include "common/ContinuousSleep.h"
#include "common/UserFacingError.h"
#include "companion/CommandLineOptions.h"
#include "companion/HttpService.h"
#include "companion/RequestSafety.h"
#include "companion/RuntimeSettings.h"

namespace {

constexpr std::chrono::milliseconds drainPollInterval{10};

QString hostPort(const QString& host, quint16 port) {
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

HttpLimits adminLimits(const RuntimeSettings& settings) {
    HttpLimits limits;
    limits.maxConnections = CompanionRuntime::maxAdminConnections;
    limits.headerTimeout = settings.headerTimeout;
    limits.idleTimeout = settings.idleTimeout;
    return limits;
}

HttpLimits lanLimits(const RuntimeSettings& settings) {
    HttpLimits limits = adminLimits(settings);
    limits.maxConnections = CompanionRuntime::maxLanConnections;
    limits.maxConnectionsPerAddress = CompanionRuntime::maxLanConnectionsPerAddress;
    limits.ownerCheck = HttpLimits::OwnerCheck::LocalPeers;
    return limits;
}

} // namespace

CompanionRuntime::CompanionRuntime(const CommandLineOptions& options, const RuntimeSettings& settings,
                                   LogWriter& log, QObject* parent)
    : QObject(parent), m_log(log), m_core(options, settings, log), m_adminRoutes(m_core), m_lanRoutes(m_core),
      m_admin(new HttpService(QStringLiteral("admin API"), log, adminLimits(settings), this)),
      m_lan(new HttpService(QStringLiteral("local-network listener"), log, lanLimits(settings), this)) {
    m_adminRoutes.install(*m_admin);
    m_admin->listen(options.adminBindAddress(), options.adminPort);
    const quint16 adminPort = m_admin->port();
    const QString adminHost = options.adminHost;
    const QList<QString> origins = RequestSafety::defaultAllowedOrigins(adminHost, adminPort);
    m_core.reporter().setAdminEndpoint(hostPort(adminHost, adminPort), origins);
    m_admin->setGuard([adminHost, adminPort, origins](const IncomingRequest& request) {
        RequestSafety::checkAdminRequest(request, adminHost, adminPort, origins);
    });

    m_lanRoutes.install(*m_lan);
    m_lan->setGuard(&RequestSafety::checkLanRequest);
    startLanListener(settings.lanPort);

    const RuntimeFacts& facts = m_core.reporter().facts();
    m_log.write(LogWriter::Level::Info, u"runtime_started",
                QStringLiteral("The companion runtime is running."),
                {{QStringLiteral("admin_address"), AnyCodable{facts.adminAddress}},
                 {QStringLiteral("lan_port"), AnyCodable{qint64(m_core.network().listenerPort())}},
                 {QStringLiteral("agent_version"), AnyCodable{facts.agentVersion}},
                 {QStringLiteral("schema_version"), AnyCodable{facts.schemaVersion}},
                 {QStringLiteral("db_path"), AnyCodable{facts.dbPath}}});
}

void CompanionRuntime::startLanListener(quint16 preferredPort) {
    try {
        m_lan->listen(QHostAddress::Any, preferredPort);
    } catch (const PlatformError& error) {
        if (preferredPort == 0) {
            m_core.network().listenerFailed(error.description());
            m_log.write(LogWriter::Level::Error, u"lan_listener_failed", error.description());
            return;
        }
        // Another program holds the usual port: any port works, the candidates name it.
        m_log.write(LogWriter::Level::Warn, u"lan_port_taken", error.description());
        startLanListener(0);
        return;
    }
    m_core.network().listenerStarted(m_lan->port());
}

QCoro::Task<> CompanionRuntime::shutdown(std::chrono::milliseconds grace) {
    m_admin->stopListening();
    m_lan->stopListening();
    m_log.write(LogWriter::Level::Info, u"runtime_stopping",
                QStringLiteral("Stopping: finishing the requests in flight."),
                {{QStringLiteral("in_flight"),
                  AnyCodable{qint64(m_admin->requestsInFlight() + m_lan->requestsInFlight())}}});
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (m_admin->requestsInFlight() + m_lan->requestsInFlight() > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        co_await continuousSleep(drainPollInterval);
    }
    m_log.write(LogWriter::Level::Info, u"runtime_stopped", QStringLiteral("The companion runtime stopped."));
    // The last line: work that still ends while the process exits says nothing more.
    m_log.close();
}
