#include "update/ReleaseManifest.h"

#include "runtime/JsonRecordReader.h"
#include "runtime/WireCoding.h"

#include <QJsonDocument>
#include <QJsonObject>

// The record shapes join the runtime's decoder: it finds them by argument lookup.
namespace WireCoding::detail {

void describe(const RecordReader& reader, ReleasePlatform& platform) {
    reader.optional(QLatin1StringView("version"), platform.version);
    reader.optional(QLatin1StringView("minimumSupported"), platform.minimumSupported);
    reader.optional(QLatin1StringView("primaryActionLabel"), platform.primaryActionLabel);
    reader.optional(QLatin1StringView("downloadUrl"), platform.downloadUrl);
    reader.optional(QLatin1StringView("instructionsUrl"), platform.instructionsUrl);
    reader.optional(QLatin1StringView("copyCommand"), platform.copyCommand);
    reader.optional(QLatin1StringView("headline"), platform.headline);
    reader.optional(QLatin1StringView("sha256"), platform.sha256);
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QMap<QString, ReleasePlatform>& out) {
    if (!json.isObject()) {
        throwUnexpected(path, u"an object", json);
    }
    const QJsonObject object = json.toObject();
    out.clear();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString name = camelCaseKey(it.key());
        const QByteArray wireName = it.key().toUtf8(); // the path names the key as it was sent
        ReleasePlatform platform;
        WireCoding::detail::decodeValue(it.value(), JsonKeyPath(path, QLatin1StringView(wireName)), platform);
        out.insert(name, std::move(platform));
    }
}

void describe(const RecordReader& reader, ReleaseChannel& channel) {
    reader.required(QLatin1StringView("version"), channel.version);
    reader.optional(QLatin1StringView("minimumSupported"), channel.minimumSupported);
    reader.optional(QLatin1StringView("publishedAt"), channel.publishedAt);
    reader.optional(QLatin1StringView("notes"), channel.notes);
    reader.required(QLatin1StringView("platforms"), channel.platforms);
}

void describe(const RecordReader& reader, ReleaseManifest& manifest) {
    reader.required(QLatin1StringView("schemaVersion"), manifest.schemaVersion);
    reader.required(QLatin1StringView("stable"), manifest.stable);
}

} // namespace WireCoding::detail

ReleaseManifest ReleaseManifest::decode(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw DecodingError(
            QStringLiteral("The data couldn’t be read because it isn’t in the correct format."));
    }
    ReleaseManifest manifest;
    WireCoding::detail::decodeValue(document.isObject() ? QJsonValue(document.object())
                                                        : QJsonValue(document.array()),
                                    WireCoding::detail::JsonKeyPath(), manifest);
    return manifest;
}
