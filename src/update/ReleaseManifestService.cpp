#include "update/ReleaseManifestService.h"

#include "update/ReleaseManifestError.h"
#include "update/SemVer.h"
#include "update/UpdateNetworking.h"

#include <QCoreApplication>
#include <QCoro/QCoroNetworkReply>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>

ReleaseManifestService::ReleaseManifestService(QUrl manifestURL, std::chrono::milliseconds requestTimeout,
                                               std::chrono::milliseconds resourceTimeout,
                                               const QString& cacheDirectory)
    : m_manifestURL(std::move(manifestURL)), m_requestTimeout(requestTimeout),
      m_resourceTimeout(resourceTimeout), m_network(std::make_unique<QNetworkAccessManager>()) {
    m_network->setAutoDeleteReplies(false);
    if (!cacheDirectory.isEmpty()) {
        auto* cache = new QNetworkDiskCache(m_network.get());
        cache->setCacheDirectory(cacheDirectory);
        cache->setMaximumCacheSize(cacheSizeLimit);
        m_network->setCache(cache);
    }
}

ReleaseManifestService::~ReleaseManifestService() {
    UpdateNetworking::abortAll(*m_network);
}

QCoro::Task<ResolvedReleaseStatus> ReleaseManifestService::currentStatus(QString installedVersion) const {
    QNetworkRequest request(m_manifestURL);
    // The cache answers or revalidates as the feed's headers allow; "no-cache"
    // request headers would forbid exactly that.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(static_cast<int>(m_requestTimeout.count()));

    const UpdateNetworking::ReplyPointer reply(m_network->get(request));
    UpdateNetworking::abortAfter(reply.get(), m_resourceTimeout);
    co_await reply.get();

    UpdateNetworking::throwIfFailedBelowHTTP(*reply);
    if (UpdateNetworking::statusCode(*reply) != 200) {
        throw ReleaseManifestError(ReleaseManifestError::Kind::FetchFailed);
    }
    const ReleaseManifest manifest = ReleaseManifest::decode(reply->readAll());
    co_return resolve(manifest, installedVersion, CompanionPaths::platformName());
}

ResolvedReleaseStatus ReleaseManifestService::resolve(const ReleaseManifest& manifest,
                                                      const QString& installedVersion,
                                                      const QString& platformKey) {
    const ReleaseChannel& channel = manifest.stable;
    const ReleasePlatform platform = channel.platforms.value(platformKey);

    ResolvedReleaseStatus status;
    status.installedVersion = installedVersion;
    status.latestVersion = firstNonEmpty({platform.version, channel.version});
    status.minimumSupported = firstNonEmpty({platform.minimumSupported, channel.minimumSupported});
    status.downloadURL = firstNonEmpty({platform.downloadUrl});
    status.instructionsURL = firstNonEmpty({platform.instructionsUrl});
    status.copyCommand = firstNonEmpty({platform.copyCommand});
    status.headline = firstNonEmpty({platform.headline});
    status.downloadSHA256 = firstNonEmpty({platform.sha256});

    QString defaultLabel;
    if (!status.downloadURL.isEmpty()) {
        defaultLabel = QCoreApplication::translate("ReleaseManifestService", "Update Now");
    } else if (!status.instructionsURL.isEmpty()) {
        defaultLabel = QCoreApplication::translate("ReleaseManifestService", "Open Update Guide");
    }
    status.primaryActionLabel = firstNonEmpty({platform.primaryActionLabel, defaultLabel});
    status.primaryActionURL = status.downloadURL.isEmpty() ? status.instructionsURL : status.downloadURL;

    const auto latest = SemVer::parse(status.latestVersion);
    const auto installed = SemVer::parse(installedVersion);
    const auto minimum = SemVer::parse(status.minimumSupported);

    if (!installed || installedVersion.trimmed().isEmpty()) {
        status.unknownInstalledBuild = true;
        status.updateAvailable = latest.has_value();
    } else {
        status.updateAvailable = latest && *installed < *latest;
    }
    status.updateRequired = minimum && (!installed || *installed < *minimum);
    return status;
}

QString ReleaseManifestService::firstNonEmpty(std::initializer_list<std::optional<QString>> values) {
    for (const auto& value : values) {
        if (value) {
            if (QString trimmed = value->trimmed(); !trimmed.isEmpty()) {
                return trimmed;
            }
        }
    }
    return {};
}
