#pragma once

#include "companion/HttpError.h"
#include "runtime/WireCoding.h"

#include <QByteArray>
#include <QJsonObject>

// Request bodies: a JSON object (an empty body counts as {}), decoded with the
// same strict rules as every answer. Problems become 400 answers.
namespace JsonBody {

QJsonObject object(const QByteArray& body);
[[noreturn]] void throwMalformed(const DecodingError& error);

template <typename T> T decode(const QByteArray& body) {
    object(body);
    try {
        return WireCoding::decode<T>(body.trimmed().isEmpty() ? QByteArrayLiteral("{}") : body);
    } catch (const DecodingError& error) {
        throwMalformed(error);
    }
}

} // namespace JsonBody
