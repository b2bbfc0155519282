#pragma once

#include "runtime/AnyCodable.h"
#include "runtime/ClientConfig.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

// What one check of a torrent client found out.
struct ClientCheckOutcome {
    QString authState; // "ok", "auth_failed", "banned", "unreachable", "tls_error", "bad_response"
    std::optional<QString> lastError; // a sentence a user understands; absent when ok
    AnyCodableMap
        capabilities; // e.g. client_version, api_version (snake_case keys), what else the client reports

    bool operator==(const ClientCheckOutcome&) const = default;
};

// One bounded check of one client, for real, over HTTP(S). Never throws: every
// failure becomes an outcome. A failed login is never retried, so a check cannot
// push a client towards banning this computer.
QCoro::Task<ClientCheckOutcome> checkClient(QNetworkAccessManager& network, const ClientConfig& client,
                                            std::chrono::milliseconds timeout = std::chrono::seconds(5));
