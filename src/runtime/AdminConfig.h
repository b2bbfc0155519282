#pragma once

#include <QList>
#include <QString>

struct AdminConfig {
    bool enabled = false;
    QString listenAddress;
    QList<QString> allowedOrigins; // default empty

    bool operator==(const AdminConfig&) const = default;
};
