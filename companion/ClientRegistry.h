#pragma once

#include "runtime/ClientConfig.h"

class ClientStore;
class EventRecorder;

// Adds, changes and removes torrent clients.
class ClientRegistry {
public:
    // Keeps the state report small and quick to send.
    static constexpr qsizetype maxClients = 256;

    ClientRegistry(ClientStore& store, EventRecorder& events) : m_store(store), m_events(events) {}

    // Stores a client checked by ClientRules: a new one gets an id; a changed one
    // keeps its check results when nothing the check depends on changed. Throws
    // HttpError 409 for a new client beyond maxClients.
    ClientConfig save(ClientConfig client);
    // Throws HttpError 404 for an unknown id.
    void remove(const QString& id);

private:
    ClientStore& m_store;
    EventRecorder& m_events;
};
