#include "companion/ClientRules.h"

#include "companion/HttpError.h"
#include "companion/JsonBody.h"
#include "runtime/HostRules.h"

#include <QRegularExpression>
#include <QSslCertificate>

namespace {

[[noreturn]] void refuse(const QString& sentence) {
    throw HttpError(400, sentence);
}

std::optional<QString> nonEmpty(const std::optional<QString>& text) {
    return text && !text->isEmpty() ? text : std::nullopt;
}

} // namespace

namespace ClientRules {

ClientConfig fromSaveBody(const QByteArray& body) {
    const QJsonObject object = JsonBody::object(body);
    // Checked before decoding, so that an unknown type gets its own sentence.
    const QJsonValue type = object.value(QStringLiteral("type"));
    if (!type.isString() || !clientTypeFromRaw(type.toString())) {
        refuse(QStringLiteral("Choose qBittorrent, Transmission or Deluge as the client type."));
    }
    ClientConfig client = JsonBody::decode<ClientConfig>(body);

    client.id = client.id.trimmed();
    static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9_-]{0,64}$"));
    if (!idPattern.match(client.id).hasMatch()) {
        refuse(QStringLiteral("The client id may only hold letters, digits, dashes and underscores."));
    }
    client.label = client.label.trimmed();
    if (client.label.isEmpty()) {
        refuse(QStringLiteral("Enter a name for the torrent client."));
    }
    client.host = client.host.trimmed();
    if (client.host.isEmpty()) {
        refuse(QStringLiteral("Enter the host name or IP address of the torrent client."));
    }
    static const QRegularExpression notAHost(QStringLiteral("[\\s/?#@\\\\]"));
    if (client.host.contains(notAHost)) {
        refuse(QStringLiteral("Enter only the host name or IP address, without http:// or a path."));
    }
    if (client.port < 1 || client.port > 65535) {
        refuse(QStringLiteral("Enter a port between 1 and 65535."));
    }
    client.caCertPem = nonEmpty(client.caCertPem);
    if (client.caCertPem && QSslCertificate::fromData(client.caCertPem->toUtf8(), QSsl::Pem).isEmpty()) {
        refuse(QStringLiteral("The CA certificate is not a valid PEM certificate."));
    }
    client.hostKind = inferredHostKind(client.host, client.hostKind);
    client.username = nonEmpty(client.username);
    client.password = nonEmpty(client.password);
    client.apiKey = nonEmpty(client.apiKey);
    client.authState = QStringLiteral("unknown");
    client.capabilities.clear();
    client.lastOkAt.reset();
    client.lastError.reset();
    return client;
}

bool sameConnection(const ClientConfig& a, const ClientConfig& b) {
    return a.id == b.id && a.type == b.type && a.host == b.host && a.port == b.port &&
           a.username == b.username && a.password == b.password && a.apiKey == b.apiKey &&
           a.useTls == b.useTls && a.insecureSkipVerify == b.insecureSkipVerify && a.caCertPem == b.caCertPem;
}

} // namespace ClientRules
