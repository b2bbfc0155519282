#pragma once

#include <QString>

// Moves this process, and every process it starts afterwards, into a network
// namespace of its own whose only interface is loopback: whatever a daemon
// tries before its settings take hold cannot leave the machine. Must run while
// the process has a single thread. Returns an empty string on success, else why not.
QString enterPrivateLoopbackNetwork();
