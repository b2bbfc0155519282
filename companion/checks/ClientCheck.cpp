#include "ClientCheck.h"

#include "ClientAuthState.h"
#include "ClientCheckError.h"
#include "ClientHttpSession.h"
#include "DelugeCheck.h"
#include "QbittorrentCheck.h"
#include "TransmissionCheck.h"

namespace {

QCoro::Task<AnyCodableMap> checkProtocol(ClientHttpSession& session) {
    switch (session.client().type) {
    case ClientType::Qbittorrent:
        co_return co_await checkQbittorrent(session);
    case ClientType::Transmission:
        co_return co_await checkTransmission(session);
    case ClientType::Deluge:
        co_return co_await checkDeluge(session);
    }
    Q_UNREACHABLE();
}

} // namespace

QCoro::Task<ClientCheckOutcome> checkClient(QNetworkAccessManager& network, const ClientConfig& client,
                                            std::chrono::milliseconds timeout) {
    try {
        ClientHttpSession session(network, client, timeout);
        AnyCodableMap capabilities = co_await checkProtocol(session);
        co_return ClientCheckOutcome{ClientAuthState::ok, std::nullopt, std::move(capabilities)};
    } catch (const ClientCheckError& error) {
        co_return ClientCheckOutcome{error.authState(), error.description(), {}};
    }
}
