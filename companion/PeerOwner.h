#pragma once

#include <sys/types.h>

#include <optional>

// The user that owns the other end of a TCP connection between two sockets of
// this machine, found once per connection with sock_diag (NETLINK_SOCK_DIAG),
// or in /proc/net/tcp and tcp6 where netlink is not available. Nothing when
// the peer is not a socket of this machine (or is gone already).
namespace PeerOwner {

enum class Source { Any, SockDiag, ProcTable };

// Source Any asks sock_diag first and reads the /proc table only when netlink fails.
std::optional<uid_t> ofConnection(int socketDescriptor, Source source = Source::Any);

} // namespace PeerOwner
