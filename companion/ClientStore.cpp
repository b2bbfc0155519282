#include "companion/ClientStore.h"

#include "companion/Database.h"
#include "companion/StorageError.h"
#include "runtime/WireCoding.h"

#include <algorithm>

ClientStore::ClientStore(const Database& database) : m_database(database) {
    QSqlQuery query = m_database.run(QStringLiteral("SELECT id, config FROM clients ORDER BY position"));
    while (query.next()) {
        try {
            m_clients.append(WireCoding::decode<ClientConfig>(query.value(1).toByteArray()));
        } catch (const DecodingError& error) {
            throw StorageError(QStringLiteral("The companion’s database %1 holds a damaged client %2 (%3).")
                                   .arg(m_database.path(), query.value(0).toString(), error.description()));
        }
    }
}

std::optional<ClientConfig> ClientStore::find(QStringView id) const {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [&](const ClientConfig& client) { return client.id == id; });
    return it == m_clients.end() ? std::nullopt : std::optional<ClientConfig>(*it);
}

void ClientStore::put(const ClientConfig& client) {
    const QByteArray config = WireCoding::encode(client);
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [&](const ClientConfig& stored) { return stored.id == client.id; });
    if (it != m_clients.end()) {
        m_database.run(QStringLiteral("UPDATE clients SET config = ? WHERE id = ?"), {config, client.id});
        *it = client;
        return;
    }
    m_database.run(QStringLiteral("INSERT INTO clients (id, position, config) "
                                  "VALUES (?, (SELECT COALESCE(MAX(position), 0) + 1 FROM clients), ?)"),
                   {client.id, config});
    m_clients.append(client);
}

bool ClientStore::remove(QStringView id) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [&](const ClientConfig& client) { return client.id == id; });
    if (it == m_clients.end()) {
        return false;
    }
    m_database.run(QStringLiteral("DELETE FROM clients WHERE id = ?"), {id.toString()});
    m_clients.erase(it);
    return true;
}
