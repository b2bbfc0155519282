#pragma once

#include <QList>
#include <QString>

struct BackendConfig {
    QString apiBaseUrl;
    QString presenceUrl;
    QString jwksUrl;
    QString jwtIssuer;
    QString jwtAudience;
    QList<QString> stunServers;
    qint64 relayPayloadCapBytes = 0;
    qint64 relayStatsRateCapBps = 0;

    bool operator==(const BackendConfig&) const = default;
};
