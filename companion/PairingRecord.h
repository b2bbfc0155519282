#pragma once

#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The stored pairing state. A pending pairing has an id, a code and an expiry;
// a paired one keeps its id and knows its trust owner.
struct PairingRecord {
    PairingStatus status = PairingStatus::Unpaired;
    std::optional<QString> pairingId;
    std::optional<QString> code;
    std::optional<QDateTime> expiresAt;
    std::optional<QString> trustOwnerId;
    std::optional<QDateTime> pairedAt;
    // Wrong codes offered on the local network for the pending pairing.
    int failedAttempts = 0;

    bool operator==(const PairingRecord&) const = default;
};
