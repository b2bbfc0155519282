#pragma once

#include "runtime/ClientConfig.h"

#include <QList>
#include <QStringView>

#include <optional>

class Database;

// The configured torrent clients in the order they were added. Each is stored
// as its wire record, so the stored shape and the API's are one definition.
class ClientStore {
public:
    // Throws StorageError when a stored client cannot be read back.
    explicit ClientStore(const Database& database);

    const QList<ClientConfig>& clients() const noexcept { return m_clients; }
    std::optional<ClientConfig> find(QStringView id) const;
    // Replaces the client with the same id in place, or adds it at the end.
    void put(const ClientConfig& client);
    bool remove(QStringView id);

private:
    const Database& m_database;
    QList<ClientConfig> m_clients;
};
