#include "runtime/LANProbeTarget.h"

#include "runtime/HostRules.h"
#include "runtime/LocalNetworkHostRules.h"

bool LANProbeTarget::requiresLocalNetworkAccess() const {
    const QString trimmed = host.trimmed();
    if (trimmed.isEmpty() || isLoopbackHost(trimmed)) {
        return false;
    }
    return hostKind == HostKind::Lan || isLikelyLANHost(trimmed);
}

size_t qHash(const LANProbeTarget& target, size_t seed) noexcept {
    return qHashMulti(seed, target.host, target.port, static_cast<int>(target.hostKind));
}
