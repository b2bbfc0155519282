#include "companion/ClientRules.h"

#include "companion/HttpError.h"
#include "companion/JsonBody.h"
#include "runtime/HostRules.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QUrl>

#include <algorithm>

namespace {

[[noreturn]] void refuse(const QString& sentence) {
    throw HttpError(400, sentence);
}

constexpr qsizetype maxHostLength = 253;

// A host name (labels of letters, digits, dashes and underscores; international
// names in their ASCII form) or an IPv4 or IPv6 address without brackets.
bool isHostNameOrAddress(const QString& host) {
    if (!QHostAddress(host).isNull() && !host.contains(u'%')) {
        return true;
    }
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?(\\.[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}"
                       "[A-Za-z0-9_])?)*\\.?$"));
    const QByteArray ascii = QUrl::toAce(host);
    return !ascii.isEmpty() && ascii.size() <= maxHostLength &&
           name.match(QLatin1StringView(ascii)).hasMatch();
}

std::optional<QString> nonEmpty(const std::optional<QString>& text) {
    return text && !text->isEmpty() ? text : std::nullopt;
}

} // namespace

namespace ClientRules {

bool isCleanText(QStringView text) {
    return text.isValidUtf16() && std::none_of(text.begin(), text.end(),
                                               [](QChar c) { return c.category() == QChar::Other_Control; });
}

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
    if (!isCleanText(client.label)) {
        refuse(QStringLiteral("Use a client name without line breaks or control characters."));
    }
    client.host = client.host.trimmed();
    if (client.host.isEmpty()) {
        refuse(QStringLiteral("Enter the host name or IP address of the torrent client."));
    }
    static const QRegularExpression notAHost(QStringLiteral("[\\s/?#@\\\\]"));
    if (client.host.contains(notAHost)) {
        refuse(QStringLiteral("Enter only the host name or IP address, without http:// or a path."));
    }
    if (client.host.size() > maxHostLength) {
        refuse(QStringLiteral("Enter a host name of at most %1 characters.").arg(maxHostLength));
    }
    if (!isCleanText(client.host) || !isHostNameOrAddress(client.host)) {
        refuse(client.host.contains(u':') && !client.host.contains(u'[')
                   ? QStringLiteral("Enter the host without a port: the port has a field of its own.")
                   : QStringLiteral("Enter a valid host name or IP address."));
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
    if (client.username && !isCleanText(*client.username)) {
        refuse(QStringLiteral("Use a user name without line breaks or control characters."));
    }
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
