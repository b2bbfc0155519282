#include "companion/RuntimeSettings.h"

#include "companion/LogWriter.h"
#include "companion/UsageError.h"

#include <QUrl>

namespace {

std::chrono::milliseconds positiveMilliseconds(const QProcessEnvironment& environment, const QString& name,
                                               std::chrono::milliseconds fallback) {
    if (!environment.contains(name)) {
        return fallback;
    }
    bool ok = false;
    const qint64 value = environment.value(name).trimmed().toLongLong(&ok);
    if (!ok || value <= 0) {
        throw UsageError(QStringLiteral("%1 must be a positive number of milliseconds.").arg(name));
    }
    return std::chrono::milliseconds(value);
}

} // namespace

QString RuntimeSettings::commandNameFrom(const QProcessEnvironment& environment) {
    const QString name = environment.value(QStringLiteral("VENDRILO_CONNECT_COMMAND_NAME")).trimmed();
    return name.isEmpty() ? RuntimeSettings{}.commandName : name;
}

RuntimeSettings RuntimeSettings::fromEnvironment(const QProcessEnvironment& environment) {
    RuntimeSettings settings;
    settings.commandName = commandNameFrom(environment);

    settings.webHost =
        environment.value(QStringLiteral("VENDRILO_CONNECT_WEB_HOST"), QStringLiteral(VC_WEB_HOST)).trimmed();
    while (settings.webHost.endsWith(u'/')) {
        settings.webHost.chop(1);
    }
    const QUrl webHost(settings.webHost, QUrl::StrictMode);
    if (!webHost.isValid() || webHost.host().isEmpty() ||
        (webHost.scheme() != u"https" && webHost.scheme() != u"http") || !webHost.path().isEmpty()) {
        throw UsageError(QStringLiteral("VENDRILO_CONNECT_WEB_HOST must be a scheme and host such as "
                                        "https://example.com."));
    }

    const QString lanPortName = QStringLiteral("VENDRILO_CONNECT_LAN_PORT");
    if (environment.contains(lanPortName)) {
        bool ok = false;
        const uint port = environment.value(lanPortName).trimmed().toUInt(&ok);
        if (!ok || port > 65535) {
            throw UsageError(QStringLiteral("VENDRILO_CONNECT_LAN_PORT must be a port between 0 and 65535."));
        }
        settings.lanPort = static_cast<quint16>(port);
    }

    const QString levelName = QStringLiteral("VENDRILO_CONNECT_LOG_LEVEL");
    if (environment.contains(levelName)) {
        settings.logLevel = environment.value(levelName).trimmed().toLower();
        if (!LogWriter::levelFromText(*settings.logLevel)) {
            throw UsageError(
                QStringLiteral("VENDRILO_CONNECT_LOG_LEVEL must be debug, info, warn or error."));
        }
    }
    const QString formatName = QStringLiteral("VENDRILO_CONNECT_LOG_FORMAT");
    if (environment.contains(formatName)) {
        settings.logFormat = environment.value(formatName).trimmed().toLower();
        if (!LogWriter::isJsonFormat(*settings.logFormat)) {
            throw UsageError(QStringLiteral("VENDRILO_CONNECT_LOG_FORMAT must be text or json."));
        }
    }

    settings.pairingLifetime = positiveMilliseconds(
        environment, QStringLiteral("VENDRILO_CONNECT_PAIRING_TTL_MS"), defaultPairingLifetime);
    settings.clientCheckTimeout = positiveMilliseconds(
        environment, QStringLiteral("VENDRILO_CONNECT_CLIENT_CHECK_TIMEOUT_MS"), defaultClientCheckTimeout);
    settings.headerTimeout = positiveMilliseconds(
        environment, QStringLiteral("VENDRILO_CONNECT_HEADER_TIMEOUT_MS"), settings.headerTimeout);
    settings.idleTimeout = positiveMilliseconds(
        environment, QStringLiteral("VENDRILO_CONNECT_IDLE_TIMEOUT_MS"), settings.idleTimeout);
    settings.shutdownGrace = positiveMilliseconds(
        environment, QStringLiteral("VENDRILO_CONNECT_SHUTDOWN_GRACE_MS"), defaultShutdownGrace);
    return settings;
}
