#pragma once

#include "runtime/ClientConfig.h"

#include <QByteArray>

// What a stored torrent client must look like.
namespace ClientRules {

// The body of a save, checked and tidied: label and host trimmed and not blank,
// a bare host (no scheme or path), port 1–65535, a known type, a readable CA
// certificate; the host kind follows the host. The check results are reset.
// Throws HttpError 400 with the sentence for the first problem.
ClientConfig fromSaveBody(const QByteArray& body);

// Everything a check depends on is equal (all but the label and the results).
bool sameConnection(const ClientConfig& a, const ClientConfig& b);

} // namespace ClientRules
