#include "TransmissionCheck.h"

#include "ClientAuthState.h"
#include "ClientHttpSession.h"

#include <QJsonObject>
#include <QJsonValue>

namespace {

const QByteArray sessionIdHeader = QByteArrayLiteral("X-Transmission-Session-Id");

} // namespace

QCoro::Task<AnyCodableMap> checkTransmission(ClientHttpSession& session) {
    const QString path = QStringLiteral("/transmission/rpc");
    const QByteArray body = QByteArrayLiteral(R"({"method":"session-get"})");
    ClientHttpSession::Headers headers;
    const ClientConfig& client = session.client();
    if (client.username || client.password) {
        const QByteArray credentials =
            (client.username.value_or(QString()) + u':' + client.password.value_or(QString())).toUtf8();
        headers.append({QByteArrayLiteral("Authorization"), "Basic " + credentials.toBase64()});
    }

    ClientHttpAnswer answer =
        co_await session.post(path, QByteArrayLiteral("application/json"), body, headers);
    if (answer.status == 409) {
        const QByteArray sessionId = answer.header(sessionIdHeader);
        if (sessionId.isEmpty()) {
            throw session.badResponse(QStringLiteral("a session-id request without a session id"));
        }
        headers.append({sessionIdHeader, sessionId});
        answer = co_await session.post(path, QByteArrayLiteral("application/json"), body, headers);
    }
    if (answer.status == 401) {
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" rejected the user name or password. Enter the ones set for "
                               "Transmission’s remote access."));
    }
    if (answer.status == 403) {
        // Transmission answers 403 both for a lockout after failed logins and for its IP whitelist.
        if (answer.body.contains("unsuccessful login attempts")) {
            throw ClientCheckError(
                ClientAuthState::banned,
                session.displayName() +
                    QStringLiteral(" locked out remote access after too many failed logins. "
                                   "Restart Transmission, then check the user name and "
                                   "password before testing again."));
        }
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" refused this computer’s address. Add it to Transmission’s "
                               "RPC whitelist or turn the whitelist off."));
    }
    if (answer.status == 409) {
        throw session.badResponse(QStringLiteral("a second session-id request"));
    }
    if (answer.status != 200) {
        throw session.unexpectedStatus(answer, path);
    }

    const QJsonObject reply = session.jsonObject(answer, path);
    const QString result = reply.value(QStringLiteral("result")).toString();
    if (result != QStringLiteral("success")) {
        throw session.badResponse(QStringLiteral("session-get answered “") + result + u'”');
    }
    const QJsonObject arguments = reply.value(QStringLiteral("arguments")).toObject();
    const QJsonValue version = arguments.value(QStringLiteral("version"));
    const QJsonValue rpcVersion = arguments.value(QStringLiteral("rpc-version"));
    if (!version.isString() || !rpcVersion.isDouble()) {
        throw session.badResponse(QStringLiteral("session-get without version and rpc-version"));
    }
    AnyCodableMap capabilities{{QStringLiteral("client_version"), AnyCodable{version.toString()}},
                               {QStringLiteral("api_version"), AnyCodable{qint64(rpcVersion.toInteger())}}};
    if (const QJsonValue minimum = arguments.value(QStringLiteral("rpc-version-minimum"));
        minimum.isDouble()) {
        capabilities.insert(QStringLiteral("api_version_minimum"), AnyCodable{qint64(minimum.toInteger())});
    }
    co_return capabilities;
}
