#pragma once

#include "supervision/CompanionPaths.h"
#include "update/ReleaseManifest.h"
#include "update/ResolvedReleaseStatus.h"

#include <QCoro/QCoroTask>
#include <QNetworkAccessManager>
#include <QUrl>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>

// Reads the release feed and condenses it for this installation. Its reads go
// through an HTTP cache, so the feed's own caching headers decide how often it
// is really asked: a fresh answer (max-age) is used locally, a stale one with a
// validator (ETag, Last-Modified) is revalidated; a feed without such headers is
// asked every time.
class ReleaseManifestService {
public:
    static constexpr std::chrono::milliseconds defaultRequestTimeout{10000}; // silence while waiting for data
    static constexpr std::chrono::milliseconds defaultResourceTimeout{15000}; // the whole exchange

    static constexpr qint64 cacheSizeLimit = 1024 * 1024;

    // An empty cacheDirectory keeps no cache.
    explicit ReleaseManifestService(
        QUrl manifestURL = CompanionPaths::manifestURL(),
        std::chrono::milliseconds requestTimeout = defaultRequestTimeout,
        std::chrono::milliseconds resourceTimeout = defaultResourceTimeout,
        const QString& cacheDirectory = CompanionPaths::releaseFeedCacheDirectory());
    ~ReleaseManifestService();
    ReleaseManifestService(const ReleaseManifestService&) = delete;
    ReleaseManifestService& operator=(const ReleaseManifestService&) = delete;

    // Throws TransportError (no answer, a limit exceeded), ReleaseManifestError
    // (any status but 200) or DecodingError (not a manifest).
    QCoro::Task<ResolvedReleaseStatus> currentStatus(QString installedVersion) const;

    // Pure: missing or malformed fields give empty strings and false flags.
    static ResolvedReleaseStatus resolve(const ReleaseManifest& manifest, const QString& installedVersion,
                                         const QString& platformKey);

    // The first value present and not blank, trimmed; "" when there is none.
    static QString firstNonEmpty(std::initializer_list<std::optional<QString>> values);

private:
    QUrl m_manifestURL;
    std::chrono::milliseconds m_requestTimeout;
    std::chrono::milliseconds m_resourceTimeout;
    std::unique_ptr<QNetworkAccessManager> m_network;
};
