#pragma once

#include "runtime/ClientConfig.h"

#include <QByteArray>
#include <QStringView>

// What a stored torrent client must look like.
namespace ClientRules {

// The body of a save, checked and tidied: label and host trimmed and not blank,
// label, host and user name clean text, a bare host name or IP address (no
// scheme, path or port, at most 253 characters), port 1–65535, a known type, a readable CA
// certificate; the host kind follows the host. The check results are reset.
// Throws HttpError 400 with the sentence for the first problem.
ClientConfig fromSaveBody(const QByteArray& body);

// Valid Unicode (no lone surrogate) without control characters (NUL, line breaks, …).
bool isCleanText(QStringView text);

// Everything a check depends on is equal (all but the label and the results).
bool sameConnection(const ClientConfig& a, const ClientConfig& b);

} // namespace ClientRules
