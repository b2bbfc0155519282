#pragma once

#include "runtime/DiagnosticEvent.h"
#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

struct ConnectionHealth {
    QString mode;
    PresenceState presenceState = PresenceState::Disconnected; // required key, lenient value
    std::optional<QString> presenceSessionId;
    bool localListenerReady = false;
    qint64 localCandidateCount = 0;
    std::optional<QString> localLastError;
    std::optional<QString> backendLastError;
    std::optional<QDateTime> lastConnectAt;
    std::optional<QDateTime> lastDisconnectAt;

    bool operator==(const ConnectionHealth&) const = default;
};

struct PairingHealth {
    PairingStatus status = PairingStatus::Unpaired;
    std::optional<QString> companionId;
    bool trustOwnerKnown = false;

    bool operator==(const PairingHealth&) const = default;
};

struct ClientHealth {
    QString id;
    QString label;
    ClientType type = ClientType::Qbittorrent;
    QString authState; // required here
    std::optional<QDateTime> lastOkAt;
    std::optional<QString> lastError;

    bool operator==(const ClientHealth&) const = default;
};

// Every member defaults, so an empty object decodes.
struct ClientHealthRollup {
    qint64 total = 0;
    qint64 healthy = 0;
    qint64 degraded = 0;
    qint64 unknown = 0;
    QList<ClientHealth> clients;

    bool operator==(const ClientHealthRollup&) const = default;
};

// The runtime's health (GET /v1/health).
struct HealthSummary {
    CompanionHealthStatus status = CompanionHealthStatus::Healthy;
    QDateTime checkedAt;
    ConnectionHealth connection;
    PairingHealth pairing;
    ClientHealthRollup clients;
    QList<DiagnosticEvent> recentErrors; // default empty

    bool operator==(const HealthSummary&) const = default;
};
