#include "update/CompanionUpdateInstaller.h"

#include "common/UserFacingError.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionPaths.h"
#include "update/CompanionUpdateInstallerError.h"
#include "update/UpdateNetworking.h"

#include <QCoro/QCoroNetworkReply>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>

namespace {

// Qt keeps at most this much of an unread answer in memory before it stops reading the socket.
constexpr qint64 readBufferSize = 1 << 20;

[[noreturn]] void throwDownloadFailed() {
    throw CompanionUpdateInstallerError(CompanionUpdateInstallerError::Kind::DownloadFailed);
}

void removeExisting(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return;
    }
    QFile file(path);
    if (!file.remove()) {
        throw PlatformError(file.errorString());
    }
}

} // namespace

CompanionUpdateInstaller::CompanionUpdateInstaller(std::chrono::milliseconds transferTimeout, QObject* parent)
    : QObject(parent), m_transferTimeout(transferTimeout), m_network(new QNetworkAccessManager(this)) {
    m_network->setAutoDeleteReplies(false);
}

CompanionUpdateInstaller::~CompanionUpdateInstaller() {
    UpdateNetworking::abortAll(*m_network);
}

bool CompanionUpdateInstaller::isAcceptableDownloadURL(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    if (url.scheme() == u"https") {
        return true;
    }
    // Deliberately stricter than the client host rules: a name merely starting
    // with "127." must not pass.
    const QString host = url.host();
    return url.scheme() == u"http" &&
           (host.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback());
}

QCoro::Task<> CompanionUpdateInstaller::downloadDiskImage(QUrl from, QString to, QString expectedSHA256) {
    if (!isAcceptableDownloadURL(from)) {
        throwDownloadFailed();
    }
    removeExisting(to);

    QSaveFile image(to);
    // Unbuffered: each chunk goes straight to disk.
    if (!image.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw PlatformError(image.errorString());
    }

    QNetworkRequest request(from);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));
    const UpdateNetworking::ReplyPointer reply(m_network->get(request));
    reply->setReadBufferSize(readBufferSize);
    bool redirectRefused = false;
    QNetworkReply* rawReply = reply.get();
    connect(rawReply, &QNetworkReply::redirected, rawReply, [rawReply, &redirectRefused](const QUrl& target) {
        if (isAcceptableDownloadURL(target)) {
            Q_EMIT rawReply->redirectAllowed();
        } else {
            redirectRefused = true;
            rawReply->abort();
        }
    });

    QCryptographicHash digest(QCryptographicHash::Sha256);
    // Resumption arrives through the event loop, when the reply may have finished
    // already: never wait on a reply that has nothing more to give.
    while (!rawReply->isFinished() || rawReply->bytesAvailable() > 0) {
        const QByteArray chunk = co_await qCoro(rawReply).readAll();
        digest.addData(chunk);
        if (image.write(chunk) != chunk.size()) {
            rawReply->abort();
            throw PlatformError(image.errorString());
        }
    }

    if (redirectRefused) {
        throwDownloadFailed();
    }
    UpdateNetworking::throwIfFailedBelowHTTP(*rawReply);
    const int status = UpdateNetworking::statusCode(*rawReply);
    if (status < 200 || status > 299) {
        throwDownloadFailed();
    }
    // A mismatch leaves nothing behind: the unfinished file is discarded with `image`.
    if (!expectedSHA256.trimmed().isEmpty() &&
        digest.result().toHex() != expectedSHA256.trimmed().toLower().toLatin1()) {
        throwDownloadFailed();
    }
    if (!image.commit()) {
        throw PlatformError(image.errorString());
    }
}

QByteArray CompanionUpdateInstaller::installerScript() {
    QFile script(QStringLiteral(":/update/install-update.zsh"));
    if (!script.open(QIODevice::ReadOnly)) {
        throw PlatformError(script.errorString());
    }
    return script.readAll();
}

void CompanionUpdateInstaller::writeInstallerScript(const QString& to) const {
    QSaveFile file(to);
    if (!file.open(QIODevice::WriteOnly) || file.write(installerScript()) < 0 || !file.commit()) {
        throw PlatformError(file.errorString());
    }
    QFile written(to);
    if (!written.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                QFileDevice::ExeOther)) {
        throw PlatformError(written.errorString());
    }
}

void CompanionUpdateInstaller::launchInstaller(const QString& scriptPath, qint64 currentProcessID,
                                               const QString& expectedVersion, const QString& diskImagePath,
                                               const QString& targetBundlePath) const {
    // Never let the script loose on a folder that is not this app's bundle.
    if (!BundleInfo::isAppBundle(targetBundlePath, BundleInfo::main().bundleIdentifier())) {
        throw CompanionUpdateInstallerError(CompanionUpdateInstallerError::Kind::TargetNotABundle);
    }
    const QString log = CompanionPaths::installerLog();
    QProcess installer;
    installer.setProgram(QStringLiteral("/bin/zsh"));
    installer.setArguments({scriptPath, QString::number(currentProcessID), expectedVersion, diskImagePath,
                            targetBundlePath, log, CompanionPaths::updateResultFile(), scriptPath});
    installer.setStandardInputFile(QProcess::nullDevice());
    installer.setStandardOutputFile(log, QIODevice::Append);
    installer.setStandardErrorFile(log, QIODevice::Append);
    // A detached start runs the script in a new session (setsid) under init:
    // neither the app quitting nor its terminal going away ends it.
    if (!installer.startDetached()) {
        throw PlatformError(installer.errorString());
    }
}
