#pragma once

#include "runtime/ClientConfig.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>

#include <chrono>
#include <optional>

class ClientStore;
class EventRecorder;
class QNetworkAccessManager;
struct ClientCheckOutcome;

// Checks torrent clients for real and stores what each check found.
class ClientProber : public QObject {
    Q_OBJECT
public:
    ClientProber(ClientStore& store, EventRecorder& events, std::chrono::milliseconds timeout,
                 QObject* parent = nullptr);

    // One client (HttpError 404 when unknown) or all of them, concurrently.
    // Answers the clients as stored after their checks.
    QCoro::Task<QList<ClientConfig>> probe(std::optional<QString> clientId);

private:
    QCoro::Task<ClientCheckOutcome> check(const ClientConfig& client);
    ClientConfig storeOutcome(const ClientConfig& checked, const ClientCheckOutcome& outcome);

    ClientStore& m_store;
    EventRecorder& m_events;
    std::chrono::milliseconds m_timeout;
    // Pending replies are not aborted on destruction: that happens only when the
    // process ends, and an aborted check would resume into stores already gone.
    QNetworkAccessManager* m_network;
};
