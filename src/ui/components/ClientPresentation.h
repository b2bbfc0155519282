#pragma once

#include "model/StatusTint.h"
#include "runtime/ClientConfig.h"

#include <QString>

// How a torrent client reads in the windows: its status word and colour, its
// type's symbol, and its address line.
namespace ClientPresentation {
// "Reachable", "Needs Attention", the auth state in words ("Needs Login"), or "Unknown".
QString statusLabel(const ClientConfig& client);
StatusTint statusTint(const ClientConfig& client);
QString typeSymbol(ClientType type);
// "qBittorrent • http://localhost:8080"
QString addressLine(const ClientConfig& client);
} // namespace ClientPresentation
