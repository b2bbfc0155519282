#include "runtime/CompanionAPI.h"

#include "runtime/CompanionAPIError.h"
#include "runtime/RequestBodies.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroNetworkReply>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopedPointer>
#include <QTimer>
#include <QUtf8StringView>

#include <algorithm>

struct CompanionAPI::Shared {
    explicit Shared(std::chrono::milliseconds limit) : timeout(limit) {
        manager.setTransferTimeout(static_cast<int>(timeout.count()));
        // The runtime is always on this machine: no proxy, and no redirect may lead elsewhere.
        manager.setProxy(QNetworkProxy::NoProxy);
        manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

    QNetworkAccessManager manager;
    const std::chrono::milliseconds timeout;
};

namespace {

// Set on the replies the owner aborts; every other abort is one of the time limits.
const char* const cancelledByOwner = "vcCancelledByOwner";

const QByteArray get = QByteArrayLiteral("GET");
const QByteArray post = QByteArrayLiteral("POST");

// Failures below HTTP: connection, timeout, cancellation and proxy errors.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds timeout) {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    // Every read goes to the runtime; nothing is cached, no cookie or credential is kept.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    return request;
}

} // namespace

CompanionAPI::CompanionAPI(QUrl baseURL, std::chrono::milliseconds timeout)
    : m_baseURL(std::move(baseURL)), m_shared(std::make_shared<Shared>(timeout)) {}

QCoro::Task<RuntimeSnapshot> CompanionAPI::runtime() const {
    co_return WireCoding::decode<RuntimeSnapshot>(co_await request(QStringLiteral("/v1/runtime"), get, {}));
}

QCoro::Task<HealthSummary> CompanionAPI::health() const {
    co_return WireCoding::decode<HealthSummary>(co_await request(QStringLiteral("/v1/health"), get, {}));
}

QCoro::Task<QList<DiagnosticEvent>> CompanionAPI::diagnostics(int limit) const {
    const QString path = QStringLiteral("/v1/diagnostics?limit=") + QString::number(std::max(limit, 1));
    co_return WireCoding::decodeList<DiagnosticEvent>(co_await request(path, get, {}));
}

QCoro::Task<PairingLinkPayload> CompanionAPI::pairingLink(QString code) const {
    // Percent-encodes everything but the characters a URL query allows.
    const QByteArray encoded = QUrl::toPercentEncoding(code, "!$&'()*+,/:;=?@");
    const QString path = QStringLiteral("/v1/pairing/link?code=") + QString::fromLatin1(encoded);
    co_return WireCoding::decode<PairingLinkPayload>(co_await request(path, get, {}));
}

QCoro::Task<PairingStatePayload> CompanionAPI::beginPairing(std::optional<QString> displayName) const {
    const QByteArray body = WireCoding::encode(BeginPairingBody{std::move(displayName)});
    co_return WireCoding::decode<PairingStatePayload>(
        co_await request(QStringLiteral("/v1/pairing/begin"), post, body));
}

QCoro::Task<PairingStatePayload> CompanionAPI::resetPairing(QString reason) const {
    const QByteArray body = WireCoding::encode(ResetPairingBody{std::move(reason)});
    co_return WireCoding::decode<PairingStatePayload>(
        co_await request(QStringLiteral("/v1/pairing/reset"), post, body));
}

QCoro::Task<ClientConfig> CompanionAPI::saveClient(ClientConfig client) const {
    const QByteArray body = WireCoding::encode(client);
    co_return WireCoding::decode<ClientConfig>(
        co_await request(QStringLiteral("/v1/clients/save"), post, body));
}

QCoro::Task<> CompanionAPI::deleteClient(QString id) const {
    const QByteArray body = WireCoding::encode(DeleteClientBody{std::move(id)});
    WireCoding::decode<DeletedPayload>(co_await request(QStringLiteral("/v1/clients/delete"), post, body));
}

QCoro::Task<QList<ClientConfig>> CompanionAPI::probeClients(std::optional<QString> clientID) const {
    const QByteArray body = WireCoding::encode(ProbeClientsBody{std::move(clientID)});
    co_return WireCoding::decodeList<ClientConfig>(
        co_await request(QStringLiteral("/v1/clients/probe"), post, body));
}

QCoro::Task<> CompanionAPI::updateDisplayName(QString name) const {
    const QByteArray body = WireCoding::encode(UpdateDisplayNameBody{std::move(name)});
    WireCoding::decode<OKPayload>(co_await request(QStringLiteral("/v1/config/display-name"), post, body));
}

QCoro::Task<HealthcheckPayload> CompanionAPI::healthcheck() const {
    co_return WireCoding::decode<HealthcheckPayload>(co_await request(QStringLiteral("/healthz"), get, {}));
}

void CompanionAPI::abortAll() const {
    const std::shared_ptr<Shared> shared = m_shared;
    const auto replies = shared->manager.findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    for (QNetworkReply* reply : replies) {
        // One that already ended keeps its own outcome (and Qt warns on a second one).
        if (!reply->isFinished()) {
            reply->setProperty(cancelledByOwner, true);
            reply->abort();
        }
    }
}

QCoro::Task<QByteArray> CompanionAPI::request(QString pathAndQuery, QByteArray method,
                                              std::optional<QByteArray> body) const {
    // The frame keeps the manager alive even if this client goes away mid-exchange.
    const std::shared_ptr<Shared> shared = m_shared;
    const QUrl url = m_baseURL.resolved(QUrl(pathAndQuery));
    if (!url.isValid()) {
        throw CompanionAPIError::invalidResponse();
    }
    QNetworkRequest request = makeRequest(url, shared->timeout);
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    }
    const QScopedPointer<QNetworkReply, QScopedPointerDeleteLater> reply(
        body ? shared->manager.sendCustomRequest(request, method, *body)
             : shared->manager.sendCustomRequest(request, method));
    // The transfer timeout only measures silence; this bounds the whole exchange.
    QTimer::singleShot(shared->timeout, reply.get(), &QNetworkReply::abort);
    co_await reply.get();

    const QNetworkReply::NetworkError error = reply->error();
    if (isTransportFailure(error)) {
        // Qt reports its own transfer timeout and our overall limit as a cancellation.
        const bool limitReached =
            error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError;
        if (limitReached && !reply->property(cancelledByOwner).toBool()) {
            throw TransportError::timedOut();
        }
        throw TransportError(error, reply->errorString());
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        throw CompanionAPIError::invalidResponse();
    }
    const QByteArray data = reply->readAll();
    const int statusCode = status.toInt();
    if (statusCode < 200 || statusCode > 299) {
        // Whatever text the runtime sent is the message; it is not parsed.
        std::optional<QString> message;
        if (QUtf8StringView(data).isValidUtf8()) {
            if (QString text = QString::fromUtf8(data).trimmed(); !text.isEmpty()) {
                message = std::move(text);
            }
        }
        throw CompanionAPIError::requestFailed(statusCode, std::move(message));
    }
    co_return data;
}
