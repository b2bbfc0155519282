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
    // The decoder names the field in a sentence of its own; it goes in brackets here.
    QString detail = error.description().trimmed();
    while (detail.endsWith(u'.')) {
        detail.chop(1);
    }
    if (!detail.isEmpty()) {
        detail[0] = detail[0].toLower();
    }
    throw HttpError(
        400, QStringLiteral("The request body is missing a field or has a field of the wrong type (%1).")
                 .arg(detail));
}

} // namespace JsonBody
