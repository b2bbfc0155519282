#include "ClientEndpoint.h"

#include "ClientAuthState.h"
#include "ClientCheckError.h"

#include <QSslCertificate>
#include <QStringList>

namespace ClientEndpoint {

QString productName(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return QStringLiteral("qBittorrent");
    case ClientType::Transmission:
        return QStringLiteral("Transmission");
    case ClientType::Deluge:
        return QStringLiteral("Deluge");
    }
    Q_UNREACHABLE();
}

QString displayName(const ClientConfig& client) {
    const QString host = client.host.trimmed();
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return productName(client.type) + QStringLiteral(" at ") + shownHost + u':' +
           QString::number(client.port);
}

QUrl origin(const ClientConfig& client) {
    QUrl url;
    url.setScheme(client.useTls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(client.host.trimmed(), QUrl::StrictMode);
    url.setPort(int(client.port));
    if (!url.isValid() || url.host().isEmpty() || client.port < 1 || client.port > 65535) {
        throw ClientCheckError(
            ClientAuthState::unreachable,
            QStringLiteral("The address of ") + displayName(client) +
                QStringLiteral(" is not a valid host and port. Enter only its host name or IP "
                               "address, without http:// or a path, and a port between 1 "
                               "and 65535."));
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
