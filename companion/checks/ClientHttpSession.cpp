#include "ClientHttpSession.h"

#include "ClientAuthState.h"
#include "ClientEndpoint.h"

#include <QCoro/QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>

#include <memory>

namespace {

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

QString secondsText(std::chrono::milliseconds duration) {
    const double seconds = double(duration.count()) / 1000.0;
    return QString::number(seconds) +
           (seconds == 1.0 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
}

} // namespace

ClientHttpSession::ClientHttpSession(QNetworkAccessManager& network, ClientConfig client,
                                     std::chrono::milliseconds timeout)
    : m_network(&network), m_client(std::move(client)), m_displayName(ClientEndpoint::displayName(m_client)),
      m_origin(ClientEndpoint::origin(m_client)), m_ssl(ClientEndpoint::sslConfiguration(m_client)),
      m_timeout(timeout), m_deadline(timeout) {
    if (m_client.useTls) {
        // An access manager keeps TLS connections per host and port and hands them to later
        // requests whatever their trust settings: a connection accepted without verification
        // would let a later strict check of the same address pass. So each TLS check connects afresh.
        m_privateNetwork = std::make_unique<QNetworkAccessManager>();
        m_privateNetwork->setProxy(network.proxy());
        m_network = m_privateNetwork.get();
    }
}

ClientHttpSession::~ClientHttpSession() = default;

QCoro::Task<ClientHttpAnswer> ClientHttpSession::get(const QString& path, const Headers& headers) {
    co_return co_await send(QByteArrayLiteral("GET"), path, {}, {}, headers);
}

QCoro::Task<ClientHttpAnswer> ClientHttpSession::post(const QString& path, const QByteArray& contentType,
                                                      const QByteArray& body, const Headers& headers) {
    co_return co_await send(QByteArrayLiteral("POST"), path, contentType, body, headers);
}

QCoro::Task<ClientHttpAnswer> ClientHttpSession::send(const QByteArray& verb, const QString& path,
                                                      const QByteArray& contentType, const QByteArray& body,
                                                      const Headers& headers) {
    QUrl url = m_origin;
    url.setPath(path);
    QNetworkRequest request(url);
    if (m_client.useTls) {
        request.setSslConfiguration(m_ssl);
    }
    // A redirect would carry credentials elsewhere; the user should enter the real address instead.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // qBittorrent's CSRF protection accepts a Referer only when it is exactly the origin connected to.
    request.setRawHeader("Referer", m_origin.toEncoded());
    if (!m_cookies.isEmpty()) {
        request.setHeader(QNetworkRequest::CookieHeader, QVariant::fromValue(m_cookies));
    }
    if (!contentType.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    }
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }

    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline.remainingTimeAsDuration());
    if (remaining.count() <= 0) {
        throw networkFailure(QNetworkReply::TimeoutError, {}, {});
    }
    const std::unique_ptr<QNetworkReply, DeleteLater> reply(
        m_network->sendCustomRequest(request, verb, body));
    QList<QSslError> sslErrors;
    // Owned by this frame, so the connection cannot outlive the list it fills.
    QObject sslErrorsContext;
    QObject::connect(reply.get(), &QNetworkReply::sslErrors, &sslErrorsContext,
                     [&sslErrors](const QList<QSslError>& errors) { sslErrors += errors; });

    if (!co_await qCoro(reply.get()).waitForFinished(remaining)) {
        reply->abort();
        throw networkFailure(QNetworkReply::TimeoutError, {}, {});
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        throw networkFailure(reply->error(), reply->errorString(),
                             ClientEndpoint::describeSslErrors(sslErrors));
    }
    ClientHttpAnswer answer{status.toInt(), reply->readAll(), reply->rawHeaderPairs()};
    keepCookies(reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>());
    if (answer.status >= 300 && answer.status < 400) {
        throw ClientCheckError(
            ClientAuthState::badResponse,
            m_displayName + QStringLiteral(" redirects to ") + QString::fromUtf8(answer.header("Location")) +
                QStringLiteral(". Enter the address it redirects to, and turn on TLS if that address starts "
                               "with https."));
    }
    co_return answer;
}

ClientCheckError ClientHttpSession::networkFailure(int error, const QString& errorText,
                                                   const QString& sslProblems) const {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return ClientCheckError(
            ClientAuthState::unreachable,
            m_displayName + QStringLiteral(" refused the connection. Check that it is running, that its "
                                           "web interface is turned on and that the port is right."));
    case QNetworkReply::HostNotFoundError:
        return ClientCheckError(
            ClientAuthState::unreachable,
            QStringLiteral("The host of ") + m_displayName +
                QStringLiteral(" could not be found. Check the host name or IP address."));
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return ClientCheckError(
            ClientAuthState::unreachable,
            m_displayName + QStringLiteral(" did not answer within ") + secondsText(m_timeout) +
                QStringLiteral(". Check that it is running and reachable from this computer."));
    case QNetworkReply::SslHandshakeFailedError:
        if (!sslProblems.isEmpty()) {
            return ClientCheckError(ClientAuthState::tlsError,
                                    QStringLiteral("The TLS certificate of ") + m_displayName +
                                        QStringLiteral(" is not trusted (") + sslProblems +
                                        QStringLiteral("). Add its CA certificate, or allow unverified "
                                                       "certificates if you trust this network."));
        }
        return ClientCheckError(
            ClientAuthState::tlsError,
            QStringLiteral("A TLS connection to ") + m_displayName +
                QStringLiteral(" could not be set up (") + errorText +
                QStringLiteral("). Check that it serves HTTPS on this port, or turn TLS off."));
    case QNetworkReply::RemoteHostClosedError:
        return ClientCheckError(ClientAuthState::unreachable,
                                m_displayName +
                                    QStringLiteral(" closed the connection without answering. Check "
                                                   "the port, and whether it expects TLS."));
    default:
        break;
    }
    if (error < QNetworkReply::ContentAccessDenied) {
        // Connection and proxy failures.
        return ClientCheckError(
            ClientAuthState::unreachable,
            m_displayName + QStringLiteral(" could not be reached (") + errorText +
                QStringLiteral("). Check that it is running and reachable from this computer."));
    }
    return badResponse(errorText);
}

ClientCheckError ClientHttpSession::badResponse(const QString& what) const {
    return ClientCheckError(ClientAuthState::badResponse,
                            m_displayName + QStringLiteral(" gave an answer the companion cannot use (") +
                                what + QStringLiteral("). Check that this address and port belong to ") +
                                productName(m_client.type) + QStringLiteral("’s web interface."));
}

ClientCheckError ClientHttpSession::unexpectedStatus(const ClientHttpAnswer& answer,
                                                     const QString& path) const {
    return badResponse(QStringLiteral("HTTP status %1 for %2").arg(answer.status).arg(path));
}

QJsonObject ClientHttpSession::jsonObject(const ClientHttpAnswer& answer, const QString& path) const {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        throw badResponse(QStringLiteral("no JSON object from ") + path);
    }
    return document.object();
}

void ClientHttpSession::keepCookies(const QList<QNetworkCookie>& cookies) {
    for (const QNetworkCookie& cookie : cookies) {
        m_cookies.removeIf([&cookie](const QNetworkCookie& kept) { return kept.name() == cookie.name(); });
        m_cookies.append(cookie);
    }
}
