#pragma once

#include "runtime/ClientConfig.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

// The application's client of the companion runtime's admin HTTP API. Every
// operation is one exchange with no retries and no caching; failures are thrown:
// CompanionAPIError, TransportError or DecodingError.
//
// Copies share one network manager. Operations must be awaited on the thread
// that created the client (the main thread).
class CompanionAPI {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{5000};

    explicit CompanionAPI(QUrl baseURL, std::chrono::milliseconds timeout = defaultTimeout);

    const QUrl& baseURL() const noexcept { return m_baseURL; }

    QCoro::Task<RuntimeSnapshot> runtime() const;
    QCoro::Task<HealthSummary> health() const;
    QCoro::Task<QList<DiagnosticEvent>> diagnostics(int limit) const;
    QCoro::Task<PairingLinkPayload> pairingLink(QString code) const;
    QCoro::Task<PairingStatePayload> beginPairing(std::optional<QString> displayName) const;
    QCoro::Task<PairingStatePayload> resetPairing(QString reason) const;
    QCoro::Task<ClientConfig> saveClient(ClientConfig client) const;
    QCoro::Task<> deleteClient(QString id) const;
    QCoro::Task<QList<ClientConfig>> probeClients(std::optional<QString> clientID) const;
    QCoro::Task<> updateDisplayName(QString name) const;
    QCoro::Task<HealthcheckPayload> healthcheck() const;

    // Aborts every exchange in flight (each fails with a TransportError);
    // used when the owner goes away so that no awaiting coroutine is left hanging.
    void abortAll() const;

private:
    struct Shared;

    // The one exchange: GET without a body, POST with a JSON body; returns the 2xx body.
    QCoro::Task<QByteArray> request(QString pathAndQuery, QByteArray method,
                                    std::optional<QByteArray> body) const;

    QUrl m_baseURL;
    std::shared_ptr<Shared> m_shared;
};
