#pragma once

#include "model/StatusTint.h"
#include "runtime/ClientConfig.h"

#include <QString>

// How a torrent client is named and judged in client lists.
namespace ClientRowPresentation {
// "Reachable", "Needs Attention", the auth state in words, or "Unknown".
QString statusLabel(const ClientConfig& client);
StatusTint statusTint(const ClientConfig& client);
// "qBittorrent", "Transmission", "Deluge".
QString typeName(ClientType type);
QString typeSymbol(ClientType type);
// "qBittorrent • http://localhost:8080"
QString addressLine(const ClientConfig& client);
// Each word's first letter upper case, the rest lower case.
QString capitalizedWords(const QString& text);
} // namespace ClientRowPresentation
