#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

// The mechanical half of a self-update: fetch the image, write the fixed
// installer script beside it and start that script in a session of its own, so
// that it outlives the application, waits for it to quit and replaces the bundle.
// Calls are made one after another by the application model.
class CompanionUpdateInstaller : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultTransferTimeout{60000};

    explicit CompanionUpdateInstaller(std::chrono::milliseconds transferTimeout = defaultTransferTimeout,
                                      QObject* parent = nullptr);
    ~CompanionUpdateInstaller() override;

    // Streams the image into a temporary file beside `to` and renames it at the
    // end; an existing file at `to` is removed first. Only https addresses are
    // fetched (loopback addresses excepted, redirects included). With a non-empty
    // expectedSHA256 (hex, ResolvedReleaseStatus::downloadSHA256) the image must
    // match it. Throws CompanionUpdateInstallerError for a refused address, a
    // status outside 2xx or a digest mismatch, TransportError and PlatformError
    // for the network and the file system.
    QCoro::Task<> downloadDiskImage(QUrl from, QString to, QString expectedSHA256 = {});

    // Writes installerScript() atomically with mode 0755. Throws PlatformError.
    void writeInstallerScript(const QString& to) const;

    // Starts /bin/zsh <script> <pid> <version> <image> <target bundle> <installer log>
    // <result file> <script>, appending its output to the installer log. Throws
    // CompanionUpdateInstallerError when the target is not a complete bundle of
    // this app (BundleInfo::isAppBundle with the running app's identifier), and
    // PlatformError when the process cannot be started.
    void launchInstaller(const QString& scriptPath, qint64 currentProcessID, const QString& expectedVersion,
                         const QString& diskImagePath, const QString& targetBundlePath) const;

    // The fixed script text; everything variable reaches it as arguments.
    static QByteArray installerScript();

    // https anywhere, http only to a literal loopback address or "localhost".
    static bool isAcceptableDownloadURL(const QUrl& url);

private:
    std::chrono::milliseconds m_transferTimeout;
    QNetworkAccessManager* m_network;
};
