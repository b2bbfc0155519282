#pragma once

#include "runtime/AdminConfig.h"
#include "runtime/BackendConfig.h"
#include "runtime/BackendStatus.h"
#include "runtime/ClientConfig.h"
#include "runtime/DiagnosticsConfig.h"
#include "runtime/IdentityConfig.h"
#include "runtime/LocalNetworkSnapshot.h"

// The runtime's full state (GET /v1/runtime).
struct RuntimeSnapshot {
    QString state;
    QString dbPath;
    qint64 schemaVersion = 0;
    bool defaultConfigCreated = false;
    std::optional<QDateTime> startedAt;
    std::optional<QDateTime> stoppedAt;
    std::optional<QString> lastError;
    std::optional<QString> adminAddress;
    IdentityConfig identity;
    BackendConfig backend;
    AdminConfig admin;
    DiagnosticsConfig diagnostics;
    QList<ClientConfig> clients;          // default empty, runtime's order
    QList<ClientType> registeredAdapters; // default empty
    LocalNetworkSnapshot localNetwork;    // default empty()
    BackendStatus backendStatus;

    bool operator==(const RuntimeSnapshot&) const = default;
};
