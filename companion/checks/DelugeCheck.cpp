#include "DelugeCheck.h"

#include "ClientAuthState.h"
#include "ClientHttpSession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString rpcPath = QStringLiteral("/json");
// Deluge's JSON-RPC error codes.
constexpr int notAuthenticated = 1;
constexpr int unknownMethod = 2;

// The whole JSON-RPC reply, so that callers can look at an error's code.
QCoro::Task<QJsonObject> call(ClientHttpSession& session, const QString& method, const QJsonArray& params,
                              int id) {
    const QJsonObject request{
        {QStringLiteral("method"), method}, {QStringLiteral("params"), params}, {QStringLiteral("id"), id}};
    const ClientHttpAnswer answer =
        co_await session.post(rpcPath, QByteArrayLiteral("application/json"),
                              QJsonDocument(request).toJson(QJsonDocument::Compact));
    if (answer.status != 200) {
        throw session.unexpectedStatus(answer, rpcPath);
    }
    co_return session.jsonObject(answer, rpcPath);
}

int errorCode(const QJsonObject& reply) {
    return reply.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt(-1);
}

// The result of a reply without an error; a refused session is an auth failure.
QJsonValue resultOf(const ClientHttpSession& session, const QJsonObject& reply, const QString& method) {
    const QJsonValue error = reply.value(QStringLiteral("error"));
    if (error.isObject()) {
        if (errorCode(reply) == notAuthenticated) {
            throw ClientCheckError(
                ClientAuthState::authFailed,
                session.displayName() +
                    QStringLiteral(" accepted the password but not the session that followed. "
                                   "Test the client again; if it keeps failing, restart "
                                   "Deluge’s web interface."));
        }
        throw session.badResponse(method + QStringLiteral(" failed: ") +
                                  error.toObject().value(QStringLiteral("message")).toString());
    }
    if (!reply.contains(QStringLiteral("result"))) {
        throw session.badResponse(method + QStringLiteral(" without a result"));
    }
    return reply.value(QStringLiteral("result"));
}

} // namespace

QCoro::Task<AnyCodableMap> checkDeluge(ClientHttpSession& session) {
    const QString loginMethod = QStringLiteral("auth.login");
    const QJsonArray password{session.client().password.value_or(QString())};
    const QJsonObject login = co_await call(session, loginMethod, password, 1);
    const QJsonValue loggedIn = resultOf(session, login, loginMethod);
    if (loggedIn == QJsonValue(false)) {
        throw ClientCheckError(
            ClientAuthState::authFailed,
            session.displayName() +
                QStringLiteral(" rejected the password. Enter the password of Deluge’s web "
                               "interface."));
    }
    if (loggedIn != QJsonValue(true)) {
        throw session.badResponse(QStringLiteral("auth.login answered neither true nor false"));
    }

    const QString connectedMethod = QStringLiteral("web.connected");
    const QJsonObject connectedReply = co_await call(session, connectedMethod, QJsonArray(), 2);
    const QJsonValue connected = resultOf(session, connectedReply, connectedMethod);
    if (!connected.isBool()) {
        throw session.badResponse(QStringLiteral("web.connected answered no Boolean"));
    }
    AnyCodableMap capabilities{{QStringLiteral("connected"), AnyCodable{connected.toBool()}}};
    if (!connected.toBool()) {
        co_return capabilities;
    }

    // Deluge 2 names it daemon.get_version; Deluge 1.3 knew only daemon.info.
    QString method = QStringLiteral("daemon.get_version");
    QJsonObject versionReply = co_await call(session, method, QJsonArray(), 3);
    if (errorCode(versionReply) == unknownMethod) {
        method = QStringLiteral("daemon.info");
        versionReply = co_await call(session, method, QJsonArray(), 4);
    }
    const QJsonValue version = resultOf(session, versionReply, method);
    if (!version.isString() || version.toString().isEmpty()) {
        throw session.badResponse(method + QStringLiteral(" answered no version"));
    }
    capabilities.insert(QStringLiteral("client_version"), AnyCodable{version.toString()});
    co_return capabilities;
}
