#pragma once

#include <QMap>
#include <QString>

#include <variant>

// A free-form wire value: exactly one of a 64-bit integer, a double, a boolean or a string.
struct AnyCodable {
    std::variant<qint64, double, bool, QString> value;

    bool operator==(const AnyCodable&) const = default;
    // The held value as text (numbers in decimal, booleans as true/false).
    QString description() const;
};

// Keys of these maps are never converted between camel and snake case.
using AnyCodableMap = QMap<QString, AnyCodable>;

size_t qHash(const AnyCodable& value, size_t seed = 0);
