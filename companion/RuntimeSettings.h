#pragma once

#include "companion/HttpLimits.h"

#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <optional>

// What the environment may change. The app sets only the command name; the
// other variables serve demos, staging and tests.
//   VENDRILO_CONNECT_COMMAND_NAME       name of the command in messages
//   VENDRILO_CONNECT_WEB_HOST           scheme and host of the maker's site (backend URLs, pairing links)
//   VENDRILO_CONNECT_LAN_PORT           port of the local-network listener (0: any free port)
//   VENDRILO_CONNECT_LOG_LEVEL / _FORMAT override the stored log_level / log_format for this run
//   VENDRILO_CONNECT_PAIRING_TTL_MS     lifetime of a pairing code (tests only)
//   VENDRILO_CONNECT_CLIENT_CHECK_TIMEOUT_MS  bound of one client check (tests only)
//   VENDRILO_CONNECT_HEADER_TIMEOUT_MS / _IDLE_TIMEOUT_MS  connection timeouts (tests only)
//   VENDRILO_CONNECT_SHUTDOWN_GRACE_MS  how long a stop waits for requests in flight (tests only)
struct RuntimeSettings {
    static constexpr std::chrono::milliseconds defaultPairingLifetime = std::chrono::minutes(10);
    static constexpr std::chrono::milliseconds defaultClientCheckTimeout = std::chrono::seconds(5);
    static constexpr quint16 defaultLanPort = 46902;
    // Leaves room within the second the app waits before it sends SIGKILL.
    static constexpr std::chrono::milliseconds defaultShutdownGrace{800};

    QString commandName = QStringLiteral("vendrilo-connect-companion");
    QString webHost; // no trailing slash
    quint16 lanPort = defaultLanPort;
    std::optional<QString> logLevel;
    std::optional<QString> logFormat;
    std::chrono::milliseconds pairingLifetime = defaultPairingLifetime;
    std::chrono::milliseconds clientCheckTimeout = defaultClientCheckTimeout;
    std::chrono::milliseconds headerTimeout = HttpLimits{}.headerTimeout;
    std::chrono::milliseconds idleTimeout = HttpLimits{}.idleTimeout;
    std::chrono::milliseconds shutdownGrace = defaultShutdownGrace;

    // Throws UsageError for a value it cannot use.
    static RuntimeSettings fromEnvironment(const QProcessEnvironment& environment);
    // The command name alone; never throws, so that even a usage error can name the command.
    static QString commandNameFrom(const QProcessEnvironment& environment);
};
