#include "companion/MakerSite.h"

#include <QList>
#include <QPair>
#include <QUrl>

namespace {

const QString linkSource = QStringLiteral("companion_desktop");

QString withQuery(const QString& base, const QList<QPair<QString, QString>>& items) {
    QString url = base;
    QChar separator = u'?';
    for (const auto& [key, value] : items) {
        url += separator + key + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
        separator = u'&';
    }
    return url;
}

} // namespace

namespace MakerSite {

BackendConfig backendConfig(const QString& webHost) {
    QUrl presence(webHost + QStringLiteral("/connect/presence"));
    presence.setScheme(presence.scheme() == u"https" ? QStringLiteral("wss") : QStringLiteral("ws"));
    BackendConfig config;
    config.apiBaseUrl = webHost + QStringLiteral("/connect/api/v1");
    config.presenceUrl = presence.toString();
    config.jwksUrl = webHost + QStringLiteral("/connect/.well-known/jwks.json");
    config.jwtIssuer = webHost;
    config.jwtAudience = QStringLiteral("vendrilo-connect-companion");
    // No relay client, so no relay limits and no STUN servers to offer.
    config.relayPayloadCapBytes = 0;
    config.relayStatsRateCapBps = 0;
    return config;
}

QString relayUnavailableReason() {
    return QStringLiteral("This companion has no hosted relay connection; Vendrilo reaches it on the local "
                          "network only.");
}

PairingLinkPayload pairingLink(const QString& webHost, const QString& code) {
    const QList<QPair<QString, QString>> items{{QStringLiteral("code"), code},
                                               {QStringLiteral("source"), linkSource}};
    return {code, withQuery(webHost + QStringLiteral("/connect/pair"), items),
            withQuery(QStringLiteral("vendrilo://connect/pair"), items), linkSource,
            withQuery(webHost + QStringLiteral("/connect/pair/qr.png"), {{QStringLiteral("code"), code}})};
}

} // namespace MakerSite
