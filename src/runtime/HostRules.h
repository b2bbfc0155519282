#pragma once

#include "runtime/WireEnums.h"

#include <QStringView>

// "localhost", "::1", "0.0.0.0" or anything starting with "127." (trimmed, case-insensitive).
bool isLoopbackHost(QStringView host);

// Blank host → fallback; loopback → Local; anything else → Lan.
HostKind inferredHostKind(QStringView host, HostKind fallback);
