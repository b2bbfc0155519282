#pragma once

#include <QDateTime>
#include <QString>

// Small answers of the runtime's API.

struct PairingLinkPayload {
    QString code;
    QString webUrl;
    QString appUrl;
    QString source;
    QString qrImageUrl;

    bool operator==(const PairingLinkPayload&) const = default;
};

// GET /healthz
struct HealthcheckPayload {
    bool ok = false;
    QDateTime ts;

    bool operator==(const HealthcheckPayload&) const = default;
};

// The reduced view of GET /v1/runtime that the supervisor reads.
struct RuntimeVersionIdentity {
    QString agentVersion;
    bool operator==(const RuntimeVersionIdentity&) const = default;
};
struct RuntimeVersionPayload {
    RuntimeVersionIdentity identity;
    bool operator==(const RuntimeVersionPayload&) const = default;
};

struct OKPayload {
    bool ok = false;
    bool operator==(const OKPayload&) const = default;
};

struct DeletedPayload {
    QString deleted;
    bool operator==(const DeletedPayload&) const = default;
};
