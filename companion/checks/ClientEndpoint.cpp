#include "ClientEndpoint.h"

#include "ClientAuthState.h"
#include "ClientCheckError.h"

#include <QSslCertificate>
#include <QStringList>

namespace ClientEndpoint {

QString displayName(const ClientConfig& client) {
    const QString host = client.host.trimmed();
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return productName(client.type) + QStringLiteral(" at ") + shownHost + u':' +
           QString::number(client.port);
}

QUrl origin(const ClientConfig& client) {
    const QString product = productName(client.type);
    if (client.port < 1 || client.port > 65535) {
        throw ClientCheckError(
            ClientAuthState::unreachable,
            QStringLiteral("The port %1 entered for %2 is not a port. Enter a port between 1 and "
                           "65535.")
                .arg(client.port)
                .arg(product));
    }
    QUrl url;
    url.setScheme(client.useTls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(client.host.trimmed(), QUrl::StrictMode);
    url.setPort(int(client.port));
    if (!url.isValid() || url.host().isEmpty()) {
        throw ClientCheckError(ClientAuthState::unreachable,
                               QStringLiteral("The host “") + client.host.trimmed() +
                                   QStringLiteral("” entered for ") + product +
                                   QStringLiteral(" is not a host name or IP address. Enter only the name or "
                                                  "address, without http:// or a path."));
    }
    return url;
}

QSslConfiguration sslConfiguration(const ClientConfig& client) {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    if (client.insecureSkipVerify) {
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    }
    if (client.caCertPem && !client.caCertPem->trimmed().isEmpty()) {
        const QList<QSslCertificate> authorities = QSslCertificate::fromData(client.caCertPem->toUtf8());
        if (authorities.isEmpty()) {
            throw ClientCheckError(
                ClientAuthState::tlsError,
                QStringLiteral("The CA certificate entered for ") + displayName(client) +
                    QStringLiteral(" could not be read. Paste the whole PEM text, from "
                                   "-----BEGIN CERTIFICATE----- to -----END CERTIFICATE-----."));
        }
        configuration.addCaCertificates(authorities);
    }
    return configuration;
}

QString describeSslErrors(const QList<QSslError>& errors) {
    QStringList texts;
    for (const QSslError& error : errors) {
        if (!texts.contains(error.errorString())) {
            texts.append(error.errorString());
        }
    }
    return texts.join(QStringLiteral("; "));
}

} // namespace ClientEndpoint
