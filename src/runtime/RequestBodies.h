#pragma once

#include <QString>

#include <optional>

// Bodies the application sends; each is a JSON object. ClientConfig is sent whole for a save.

struct BeginPairingBody {
    std::optional<QString> displayName; // left out when absent: the body is then {}
    bool operator==(const BeginPairingBody&) const = default;
};

struct ResetPairingBody {
    QString reason;
    bool operator==(const ResetPairingBody&) const = default;
};

struct DeleteClientBody {
    QString clientID;
    bool operator==(const DeleteClientBody&) const = default;
};

struct ProbeClientsBody {
    std::optional<QString> clientID; // left out to probe every client
    bool operator==(const ProbeClientsBody&) const = default;
};

struct UpdateDisplayNameBody {
    QString name;
    bool operator==(const UpdateDisplayNameBody&) const = default;
};
