#pragma once

#include "runtime/ClientConfig.h"

#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>
#include <QUrl>

// Where a client is reached and how its TLS peer is trusted.
namespace ClientEndpoint {

// How sentences name the client: "Deluge at 192.168.1.5:8112".
QString displayName(const ClientConfig& client);

// scheme://host:port with the port always written out, as a Referer must be.
// Throws ClientCheckError (unreachable) when the host is not a host name or address.
QUrl origin(const ClientConfig& client);

// Verification follows insecure_skip_verify; ca_cert_pem is trusted besides the
// system's authorities. Throws ClientCheckError (tls_error) when ca_cert_pem
// holds no certificate.
QSslConfiguration sslConfiguration(const ClientConfig& client);

// The certificate problems in words, for the sentence of a failed handshake.
QString describeSslErrors(const QList<QSslError>& errors);

} // namespace ClientEndpoint
