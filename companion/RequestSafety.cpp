#include "companion/RequestSafety.h"

#include "companion/HttpError.h"

#include <QNetworkInterface>

#include <algorithm>
#include <iterator>

namespace {

QString hostForUrl(QStringView host) {
    return host.contains(u':') ? u'[' + host.toString() + u']' : host.toString();
}

} // namespace

namespace RequestSafety {

bool isAllowedHost(QByteArrayView hostHeader, QStringView adminHost, quint16 adminPort) {
    const QString host = QString::fromLatin1(hostHeader).trimmed().toLower();
    const QString port = u':' + QString::number(adminPort);
    const QString names[] = {hostForUrl(adminHost).toLower(), QStringLiteral("localhost"),
                             QStringLiteral("127.0.0.1"), QStringLiteral("[::1]")};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const QString& name) { return host == name + port; });
}

bool isJsonContentType(QByteArrayView contentType) {
    const qsizetype semicolon = contentType.indexOf(';');
    const QByteArrayView mediaType = semicolon < 0 ? contentType : contentType.first(semicolon);
    return mediaType.trimmed().compare("application/json", Qt::CaseInsensitive) == 0;
}

QList<QString> defaultAllowedOrigins(QStringView adminHost, quint16 adminPort) {
    const QString port = u':' + QString::number(adminPort);
    QList<QString> origins{u"http://" + hostForUrl(adminHost).toLower() + port};
    const QString localhost = QStringLiteral("http://localhost") + port;
    if (!origins.contains(localhost)) {
        origins.append(localhost);
    }
    return origins;
}

void checkAdminRequest(const IncomingRequest& request, QStringView adminHost, quint16 adminPort,
                       const QList<QString>& allowedOrigins) {
    if (!isAllowedHost(request.header("host"), adminHost, adminPort)) {
        throw HttpError(
            403, QStringLiteral("Requests must be addressed to the companion on its loopback address."));
    }
    if (request.method != "POST") {
        return;
    }
    if (request.hasHeader("origin")) {
        const QString origin = QString::fromLatin1(request.header("origin")).trimmed();
        const bool allowed =
            std::any_of(allowedOrigins.begin(), allowedOrigins.end(), [&](const QString& entry) {
                return entry.compare(origin, Qt::CaseInsensitive) == 0;
            });
        if (!allowed) {
            throw HttpError(403, QStringLiteral("Commands from other web pages are not allowed."));
        }
    }
    checkJsonCommand(request);
}

void checkJsonCommand(const IncomingRequest& request) {
    if (request.method == "POST" && !isJsonContentType(request.header("content-type"))) {
        throw HttpError(403, QStringLiteral("Send commands as JSON with the Content-Type application/json."));
    }
}

bool isOwnAddressHost(QByteArrayView hostHeader, const QHostAddress& arrivedAt) {
    QString host = QString::fromLatin1(hostHeader).trimmed();
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0 || (close + 1 < host.size() && host.at(close + 1) != u':')) {
            return false;
        }
        host = host.mid(1, close - 1);
    } else if (host.count(u':') == 1) {
        host = host.section(u':', 0, 0);
    }
    const QHostAddress address(host);
    if (address.isNull() || host.contains(u'%')) {
        return false;
    }
    if (address.isLoopback() || address.isEqual(arrivedAt, QHostAddress::TolerantConversion)) {
        return true;
    }
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.begin(), own.end(), [&](const QHostAddress& entry) {
        return entry.isEqual(address, QHostAddress::TolerantConversion);
    });
}

void checkLanRequest(const IncomingRequest& request) {
    if (request.hasHeader("origin")) {
        throw HttpError(403,
                        QStringLiteral("Requests from web pages are not accepted on the local network."));
    }
    if (!isOwnAddressHost(request.header("host"), request.localAddress)) {
        throw HttpError(403, QStringLiteral("Requests must be addressed to an IP address of this computer."));
    }
    checkJsonCommand(request);
}

} // namespace RequestSafety
