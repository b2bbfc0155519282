#pragma once

#include <QString>

// The values a check stores as a client's auth_state.
namespace ClientAuthState {
inline const QString ok = QStringLiteral("ok");
inline const QString authFailed = QStringLiteral("auth_failed");
inline const QString banned = QStringLiteral("banned");
inline const QString unreachable = QStringLiteral("unreachable");
inline const QString tlsError = QStringLiteral("tls_error");
inline const QString badResponse = QStringLiteral("bad_response");
} // namespace ClientAuthState
