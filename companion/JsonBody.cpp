#include "companion/JsonBody.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace {

// Text SQLite and JSON keep as it is: valid UTF-16 without NUL.
bool isStorableText(QStringView text) {
    return text.isValidUtf16() && !text.contains(QChar(u'\0'));
}

bool isStorable(const QJsonValue& value) {
    if (value.isString()) {
        return isStorableText(value.toString());
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(),
                           [](const QJsonValue& entry) { return isStorable(entry); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!isStorableText(it.key()) || !isStorable(it.value())) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

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
    if (!isStorable(document.object())) {
        throw HttpError(400, QStringLiteral("The request body holds text that is not valid Unicode (a lone "
                                            "surrogate or a NUL character)."));
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
