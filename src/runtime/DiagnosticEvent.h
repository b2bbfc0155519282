#pragma once

#include "runtime/AnyCodable.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct DiagnosticEvent {
    // A JSON integer becomes its decimal text; absent or null gives a fresh upper-case UUID.
    QString id;
    QString level;
    QString code;
    QString message;
    QDateTime occurredAt;
    std::optional<AnyCodableMap> details; // absent stays absent

    bool operator==(const DiagnosticEvent&) const = default;
};
