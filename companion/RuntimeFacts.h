#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// What is fixed for the life of one runtime process.
struct RuntimeFacts {
    QString dbPath;
    qint64 schemaVersion = 0;
    bool defaultConfigCreated = false;
    QDateTime startedAt;
    QString hostName;
    QString platform;
    QString agentVersion;
    QString webHost;
    // Known once the admin listener is bound.
    QString adminAddress;
    QList<QString> allowedOrigins;
};
