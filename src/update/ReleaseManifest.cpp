#include "update/ReleaseManifest.h"

#include "runtime/JsonRecordReader.h"
#include "runtime/WireCoding.h"
#include "runtime/WireRecordShapes.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

// The record shapes join the runtime's decoder, which finds them by argument
// lookup and walks them with more than one visitor (reader, member names).
namespace WireCoding::detail {

template <typename V, RecordOf<ReleasePlatform> R> void describe(V& v, R& platform) {
    v.optional(QLatin1StringView("version"), platform.version);
    v.optional(QLatin1StringView("minimumSupported"), platform.minimumSupported);
    v.optional(QLatin1StringView("primaryActionLabel"), platform.primaryActionLabel);
    v.optional(QLatin1StringView("downloadUrl"), platform.downloadUrl);
    v.optional(QLatin1StringView("instructionsUrl"), platform.instructionsUrl);
    v.optional(QLatin1StringView("copyCommand"), platform.copyCommand);
    v.optional(QLatin1StringView("headline"), platform.headline);
    v.optional(QLatin1StringView("sha256"), platform.sha256);
}

// Platform names are keys of a map, converted like member names.
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QMap<QString, ReleasePlatform>& out) {
    if (!json.isObject()) {
        throwUnexpected(path, u"an object", json);
    }
    const QJsonObject object = json.toObject();
    out.clear();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QByteArray wireName = it.key().toUtf8(); // the path names the key as it was sent
        ReleasePlatform platform;
        decodeValue(it.value(), JsonKeyPath(path, QLatin1StringView(wireName)), platform);
        out.insert(camelCaseKey(it.key()), std::move(platform));
    }
}

template <typename V, RecordOf<ReleaseChannel> R> void describe(V& v, R& channel) {
    v.required(QLatin1StringView("version"), channel.version);
    v.optional(QLatin1StringView("minimumSupported"), channel.minimumSupported);
    v.optional(QLatin1StringView("publishedAt"), channel.publishedAt);
    v.optional(QLatin1StringView("notes"), channel.notes);
    v.required(QLatin1StringView("platforms"), channel.platforms);
}

template <typename V, RecordOf<ReleaseManifest> R> void describe(V& v, R& manifest) {
    v.required(QLatin1StringView("schemaVersion"), manifest.schemaVersion);
    v.required(QLatin1StringView("stable"), manifest.stable);
}

} // namespace WireCoding::detail

ReleaseManifest ReleaseManifest::decode(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw DecodingError(QCoreApplication::translate(
            "DecodingError", "The data couldn’t be read because it isn’t in the correct format."));
    }
    ReleaseManifest manifest;
    WireCoding::detail::decodeValue(document.isObject() ? QJsonValue(document.object())
                                                        : QJsonValue(document.array()),
                                    WireCoding::detail::JsonKeyPath(), manifest);
    return manifest;
}
