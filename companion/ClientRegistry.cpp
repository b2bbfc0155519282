#include "companion/ClientRegistry.h"

#include "companion/ClientRules.h"
#include "companion/ClientStore.h"
#include "companion/EventRecorder.h"
#include "companion/HttpError.h"

#include <QUuid>

ClientConfig ClientRegistry::save(ClientConfig client) {
    if (client.id.isEmpty()) {
        client.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    }
    const std::optional<ClientConfig> existing = m_store.find(client.id);
    if (!existing && m_store.clients().size() >= maxClients) {
        throw HttpError(409,
                        QStringLiteral("The companion already has %1 torrent clients, the most it keeps; "
                                       "remove one before adding another.")
                            .arg(maxClients));
    }
    if (existing && ClientRules::sameConnection(*existing, client)) {
        client.authState = existing->authState;
        client.capabilities = existing->capabilities;
        client.lastOkAt = existing->lastOkAt;
        client.lastError = existing->lastError;
    }
    m_store.put(client);
    m_events.record(LogWriter::Level::Info,
                    existing ? QStringLiteral("client_updated") : QStringLiteral("client_added"),
                    QStringLiteral("Saved the torrent client %1.").arg(client.label),
                    {{QStringLiteral("client_id"), AnyCodable{client.id}},
                     {QStringLiteral("type"), AnyCodable{rawValue(client.type)}}});
    return client;
}

void ClientRegistry::remove(const QString& id) {
    const std::optional<ClientConfig> existing = m_store.find(id);
    if (!existing) {
        throw HttpError(404, QStringLiteral("No torrent client with this id is configured."));
    }
    m_store.remove(id);
    m_events.record(LogWriter::Level::Info, QStringLiteral("client_removed"),
                    QStringLiteral("Removed the torrent client %1.").arg(existing->label),
                    {{QStringLiteral("client_id"), AnyCodable{id}}});
}
