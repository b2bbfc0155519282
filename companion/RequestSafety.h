#pragma once

#include "companion/IncomingRequest.h"

#include <QList>
#include <QString>
#include <QStringView>

// Checks that keep web pages away from the admin API: a page cannot reach it
// through a rebound DNS name (the Host header must name the admin address), and
// cannot send it commands (a POST must be JSON, which a plain form cannot send,
// and must not come from a foreign origin). Each check throws HttpError 403.
namespace RequestSafety {

// The admin address's own host plus localhost, 127.0.0.1 and [::1], each on the admin port.
bool isAllowedHost(QByteArrayView hostHeader, QStringView adminHost, quint16 adminPort);
// application/json, parameters such as charset allowed.
bool isJsonContentType(QByteArrayView contentType);
// The origins of pages the admin API itself serves.
QList<QString> defaultAllowedOrigins(QStringView adminHost, quint16 adminPort);

void checkAdminRequest(const IncomingRequest& request, QStringView adminHost, quint16 adminPort,
                       const QList<QString>& allowedOrigins);
void checkJsonCommand(const IncomingRequest& request);
// The local-network listener has no fixed host name, but a phone dials one of
// this machine's addresses and is no web page: a Host that is not an address of
// this machine (a rebound DNS name) and any Origin header are refused; commands must be JSON.
void checkLanRequest(const IncomingRequest& request);
// The Host header names an IP address of this machine (with or without a port).
bool isOwnAddressHost(QByteArrayView hostHeader, const QHostAddress& arrivedAt);

} // namespace RequestSafety
