#include "companion/CompanionCore.h"

#include "common/UserFacingError.h"
#include "companion/CommandLineOptions.h"
#include "companion/RuntimeSettings.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

// The data directory holds passwords of torrent clients: only its owner may look in.
QString preparedDatabasePath(const QString& dataDir) {
    QDir dir(dataDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        throw PlatformError(
            QStringLiteral("The data directory %1 cannot be created.").arg(dir.absolutePath()));
    }
    // A folder the user made read-only is reported, never made writable behind their back.
    const QFile::Permissions permissions = QFileInfo(dir.absolutePath()).permissions();
    if (!permissions.testFlag(QFile::WriteOwner) ||
        ::access(QFile::encodeName(dir.absolutePath()).constData(), W_OK) != 0) {
        throw PlatformError(QStringLiteral("The data directory %1 is read-only; the companion needs to write "
                                           "its database there.")
                                .arg(dir.absolutePath()));
    }
    // Others lose access; the owner's own permissions stay as they are.
    QFile::setPermissions(dir.absolutePath(),
                          permissions & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    return dir.absoluteFilePath(QStringLiteral("companion.db"));
}

DiagnosticsConfig effectiveDiagnostics(DiagnosticsConfig stored, const RuntimeSettings& settings) {
    if (settings.logLevel) {
        stored.logLevel = *settings.logLevel;
    }
    if (settings.logFormat) {
        stored.logFormat = *settings.logFormat;
    }
    return stored;
}

LogWriter& configured(LogWriter& log, const DiagnosticsConfig& config) {
    log.configure(LogWriter::levelFromText(config.logLevel).value_or(LogWriter::Level::Info),
                  LogWriter::isJsonFormat(config.logFormat).value_or(false));
    return log;
}

} // namespace

CompanionCore::CompanionCore(const CommandLineOptions& options, const RuntimeSettings& settings,
                             LogWriter& log)
    : m_webHost(settings.webHost), m_database(preparedDatabasePath(options.dataDir)), m_settings(m_database),
      m_diagnosticsConfig(effectiveDiagnostics(m_settings.diagnostics(), settings)), m_identity(m_database),
      m_pairingStore(m_database), m_clients(m_database),
      m_diagnostics(m_database, m_diagnosticsConfig.keepDiagEvents, &log),
      m_events(m_diagnostics, configured(log, m_diagnosticsConfig)),
      m_pairing(m_pairingStore, m_events, settings.pairingLifetime), m_registry(m_clients, m_events),
      m_prober(m_clients, m_events, settings.clientCheckTimeout),
      m_reporter({m_database.path(),
                  m_database.schemaVersion(),
                  m_database.wasCreated(),
                  QDateTime::currentDateTimeUtc(),
                  options.hostName,
                  options.platform,
                  options.agentVersion,
                  settings.webHost,
                  {},
                  {}},
                 m_diagnosticsConfig, m_identity, m_pairing, m_clients, m_diagnostics, m_network) {
    if (m_database.wasEmpty()) {
        log.write(
            LogWriter::Level::Warn, u"database_was_empty",
            QStringLiteral("The database file %1 was empty; the companion started a new database in it.")
                .arg(m_database.path()));
    }
    m_settings.recordStart(m_reporter.facts().startedAt);
}
