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

// Reads the release feed and condenses it for this installation. Holds no
// state between calls; its network manager keeps no cache.
class ReleaseManifestService {
public:
    static constexpr std::chrono::milliseconds defaultRequestTimeout{10000}; // silence while waiting for data
    static constexpr std::chrono::milliseconds defaultResourceTimeout{15000}; // the whole exchange

    explicit ReleaseManifestService(QUrl manifestURL = CompanionPaths::manifestURL(),
                                    std::chrono::milliseconds requestTimeout = defaultRequestTimeout,
                                    std::chrono::milliseconds resourceTimeout = defaultResourceTimeout);
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
