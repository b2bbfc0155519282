#pragma once

#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct PairingStatePayload {
    PairingStatus status = PairingStatus::Unpaired;
    std::optional<QString> pairingId;
    std::optional<QString> code;
    std::optional<QDateTime> expiresAt;
    std::optional<QDateTime> accessTokenExpiresAt;
    std::optional<QDateTime> refreshTokenExpiresAt;

    bool operator==(const PairingStatePayload&) const = default;
};
