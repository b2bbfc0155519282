#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// The release feed's JSON document. Keys may be snake_case or camelCase;
// unknown keys are ignored.

// One platform's entry; every key is optional.
struct ReleasePlatform {
    std::optional<QString> version;
    std::optional<QString> minimumSupported;
    std::optional<QString> primaryActionLabel;
    std::optional<QString> downloadUrl;
    std::optional<QString> instructionsUrl;
    std::optional<QString> copyCommand;
    std::optional<QString> headline;
    // Hex SHA-256 of the image behind downloadUrl; when present the download must match it.
    std::optional<QString> sha256;

    bool operator==(const ReleasePlatform&) const = default;
};

struct ReleaseChannel {
    QString version;
    std::optional<QString> minimumSupported;
    std::optional<QString> publishedAt;
    std::optional<QString> notes;
    // Platform names go through the same snake_case conversion as the keys.
    QMap<QString, ReleasePlatform> platforms;

    bool operator==(const ReleaseChannel&) const = default;
};

struct ReleaseManifest {
    qint64 schemaVersion = 0;
    ReleaseChannel stable;

    // Throws DecodingError for text that is not JSON or does not have this shape.
    static ReleaseManifest decode(const QByteArray& json);

    bool operator==(const ReleaseManifest&) const = default;
};
