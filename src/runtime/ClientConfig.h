#pragma once

#include "runtime/AnyCodable.h"
#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QString>

#include <optional>

// One torrent client as the runtime stores it; also the body of a save.
struct ClientConfig {
    QString id;
    QString label;
    ClientType type = ClientType::Qbittorrent;
    HostKind hostKind = HostKind::Local;
    QString host;
    qint64 port = 0;
    std::optional<QString> username;
    std::optional<QString> password;
    std::optional<QString> apiKey;
    bool useTls = false;
    bool insecureSkipVerify = false;
    std::optional<QString> caCertPem;
    QString authState = QStringLiteral("unknown"); // default "unknown"
    AnyCodableMap capabilities;                    // default empty
    std::optional<QDateTime> lastOkAt;
    std::optional<QString> lastError;

    bool operator==(const ClientConfig&) const = default;
};
