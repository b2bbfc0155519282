#pragma once

#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct BackendStatus {
    PairingStatus pairingStatus = PairingStatus::Unpaired;
    PresenceState presenceState = PresenceState::Disconnected; // required key, lenient value
    std::optional<QString> presenceSessionId;
    std::optional<qint64> heartbeatIntervalS;
    std::optional<QDateTime> lastConnectAt;
    std::optional<QDateTime> lastDisconnectAt;
    std::optional<QDateTime> lastRefreshAt;
    std::optional<QDateTime> lastFrameAt;
    std::optional<QString> lastDisconnectReason;
    std::optional<QString> lastError;
    qint64 reconnectAttempts = 0;

    bool operator==(const BackendStatus&) const = default;
};
