#pragma once

#include "runtime/WireEnums.h"

#include <QHashFunctions>
#include <QString>

// A torrent client's address as the user configured it, to be reached once so
// that the system grants the application local-network access.
struct LANProbeTarget {
    QString host; // exactly as configured, not trimmed
    qint64 port = 0;
    HostKind hostKind = HostKind::Local;

    // Blank and loopback hosts never need it; a host the user marked as LAN
    // always does; otherwise the host text decides.
    bool requiresLocalNetworkAccess() const;

    bool operator==(const LANProbeTarget&) const = default;
};

size_t qHash(const LANProbeTarget& target, size_t seed = 0) noexcept;
