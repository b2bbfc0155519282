#pragma once

#include <QString>

struct DiagnosticsConfig {
    QString logLevel;
    QString logFormat;
    qint64 keepDiagEvents = 0;

    bool operator==(const DiagnosticsConfig&) const = default;
};
