#pragma once

#include <QtGlobal>

#include <chrono>

// What one listener accepts: connections, and what one request may send
// before the HTTP parser buffers it.
struct HttpLimits {
    qint64 maxHeadBytes = 32 * 1024;
    qint64 maxBodyBytes = 64 * 1024;
    // A refused body up to this size is read and dropped so that the client sees
    // the answer instead of a reset connection; a larger one is cut off.
    qint64 maxDrainBytes = 4 * 1024 * 1024;
    // Open connections at once, and from one address (0: no limit per address);
    // one more is answered 503 and closed.
    int maxConnections = 256;
    int maxConnectionsPerAddress = 0;
    // A request head must arrive within this time of its first byte (or of the
    // connection's opening); a connection with nothing to do is closed after idleTimeout.
    std::chrono::milliseconds headerTimeout = std::chrono::seconds(10);
    std::chrono::milliseconds idleTimeout = std::chrono::seconds(30);
    // Whose user is checked (only the user that runs the runtime is served): every
    // peer's, which must be on this machine (admin API), or only that of peers
    // on this machine (local network, where phones have no local user).
    enum class OwnerCheck { EveryPeer, LocalPeers } ownerCheck = OwnerCheck::EveryPeer;
};
