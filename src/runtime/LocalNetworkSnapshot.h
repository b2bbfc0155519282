#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// An address at which the runtime can be reached.
struct LocalNetworkCandidate {
    QString host;
    qint64 port = 0;
    QString family;

    // family-host-port
    QString identity() const;
    bool operator==(const LocalNetworkCandidate&) const = default;
};

// A network interface of this computer.
struct LocalNetworkInterface {
    QString name;
    QString host;
    QString cidr;
    QString family;

    // name-family-host
    QString identity() const;
    bool operator==(const LocalNetworkInterface&) const = default;
};

// Every member has a default, so an empty object decodes (to empty()).
struct LocalNetworkSnapshot {
    qint64 listenPort = 0;
    std::optional<QString> lanNonce;
    std::optional<QString> lastError;
    QList<LocalNetworkCandidate> candidates;
    QList<LocalNetworkInterface> interfaces;
    std::optional<QDateTime> lastRefreshedAt;

    static LocalNetworkSnapshot empty() { return {}; }
    bool operator==(const LocalNetworkSnapshot&) const = default;
};
