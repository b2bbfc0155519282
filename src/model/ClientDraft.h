#pragma once

#include "runtime/ClientConfig.h"
#include "runtime/WireEnums.h"

#include <QString>
#include <QUuid>

#include <optional>

// The editable form of one torrent client, as the client editor holds it.
struct ClientDraft {
    QUuid id = QUuid::createUuid(); // this editor instance; never sent
    QString clientID;               // the stored client's id; empty for a new client
    QString label;
    ClientType type = ClientType::Qbittorrent;
    HostKind hostKind = HostKind::Local;
    QString host = QStringLiteral("localhost");
    qint64 port = 8080;
    QString username;
    QString password;
    bool useTls = false;
    bool insecureSkipVerify = false;

    // A new draft, or one to edit the given client; always a fresh editor id.
    static ClientDraft fromClient(const std::optional<ClientConfig>& client);

    // Fills a cleared port and a blank host from the type and host kind; what
    // the user entered stays.
    void applyDefaultsForCurrentType();

    // The record a save sends: texts trimmed, blank credentials left out, the
    // host kind inferred from the host.
    ClientConfig asClientConfig() const;

    static qint64 defaultPort(ClientType type);
    static QString defaultHost(HostKind hostKind);

    bool operator==(const ClientDraft&) const = default;
};
