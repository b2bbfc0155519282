#include "companion/JsonBody.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace JsonBody {

QJsonObject object(const QByteArray& body) {
    if (body.trimmed().isEmpty()) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        throw HttpError(400, QStringLiteral("The request body is not a valid JSON object."));
    }
    return document.object();
}

void throwMalformed(const DecodingError& error) {
    throw HttpError(
        400, QStringLiteral("The request body is missing a field or has a field of the wrong type (%1).")
                 .arg(error.description()));
}

} // namespace JsonBody
