#pragma once

#include "runtime/PairingStatePayload.h"

struct IdentityConfig {
    std::optional<QString> companionId;
    std::optional<QString> trustOwnerId;
    QString displayName;
    QString platform;
    QString agentVersion;
    PairingStatePayload pairing;

    bool operator==(const IdentityConfig&) const = default;
};
