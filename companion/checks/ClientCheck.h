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
    // One of the ClientAuthState values.
    QString authState;
    // A sentence a user understands; absent when the check succeeded.
    std::optional<QString> lastError;
    // What the client reports about itself: client_version, api_version and the like.
    AnyCodableMap capabilities;

    bool operator==(const ClientCheckOutcome&) const = default;
};

// One bounded check of one client, for real, over HTTP(S). Never throws: every
// failure becomes an outcome. A failed login is never retried, so a check cannot
// push a client towards banning this computer. The client is copied before the
// first suspension; the network access manager must outlive the check (TLS
// checks connect through one of their own, so trust settings never carry over).
QCoro::Task<ClientCheckOutcome> checkClient(QNetworkAccessManager& network, const ClientConfig& client,
                                            std::chrono::milliseconds timeout = std::chrono::seconds(5));
