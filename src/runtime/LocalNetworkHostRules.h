#pragma once

#include <QStringView>

// Whether a host text looks like an address on the local network: ".local"
// names, single-label names (and every IPv6 literal without a dotted tail),
// private and link-local IPv4, and IPv6 unique-local or link-local addresses
// written with a dotted tail. Trimmed and case-insensitive.
bool isLikelyLANHost(QStringView host);
