#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionAppModel.h"
#include "supervision/CompanionPaths.h"
#include "system/PlatformServices.h"
#include "update/CompanionUpdateInstaller.h"
#include "update/ReleaseManifestService.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

namespace {

// The feed is someone else's text: only web addresses are handed to the desktop.
std::optional<QUrl> webURL(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (text.trimmed().isEmpty() || !url.isValid() || url.host().isEmpty()) {
        return std::nullopt;
    }
    if (url.scheme() != u"https" && url.scheme() != u"http") {
        return std::nullopt;
    }
    return url;
}

} // namespace

QString CompanionAppModel::installedVersionForReleaseChecks() const {
    if (m_runtime) {
        const QString agentVersion = m_runtime->identity.agentVersion.trimmed();
        if (!agentVersion.isEmpty()) {
            return agentVersion;
        }
    }
    return m_applicationVersion;
}

void CompanionAppModel::checkForUpdates() {
    startBackgroundTask(runUpdateCheck(true), lcUpdate(), "Checking for updates");
}

QCoro::Task<> CompanionAppModel::runUpdateCheck(bool manual) {
    if (m_updateInstallState.blocksUpdateActions()) {
        co_return;
    }
    const QPointer<CompanionAppModel> self(this);
    setUpdateInstallState(UpdateInstallState::checking());

    std::optional<ResolvedReleaseStatus> status;
    QString failure;
    try {
        status = co_await m_releaseService.currentStatus(installedVersionForReleaseChecks());
    } catch (const std::exception& error) {
        failure = describeError(error).trimmed();
    }
    if (isGone(self)) {
        co_return;
    }
    if (!status) {
        const QString message = failure.isEmpty() ? tr("Could not check for updates.") : failure;
        qCWarning(lcUpdate).noquote() << "Update check failed:" << message;
        setUpdateInstallState(UpdateInstallState::failed(message));
        if (manual) {
            setErrorMessage(message);
        }
        co_return;
    }
    setReleaseStatus(*status);
    setUpdateInstallState(UpdateInstallState::idle());
    if (manual) {
        setNoticeMessage(status->updateAvailable || status->updateRequired
                             ? UpdateInstallState::readyToInstall(*status)
                             : tr("Vendrilo Connect is up to date."));
    }
}

QCoro::Task<> CompanionAppModel::refreshReleaseStatus(QString installedVersion) {
    const QPointer<CompanionAppModel> self(this);
    std::optional<ResolvedReleaseStatus> status;
    try {
        status = co_await m_releaseService.currentStatus(std::move(installedVersion));
    } catch (const std::exception& error) {
        // Not shown: the next refresh tries again.
        qCInfo(lcUpdate).noquote() << "Release check failed:" << describeError(error);
        co_return;
    }
    if (!isGone(self)) {
        setReleaseStatus(std::move(*status));
    }
}

void CompanionAppModel::scheduleUpdateLoop() {
    cancelTask(m_updateLoopTask);
    m_updateLoopTask = std::make_shared<SleepCanceller>();
    startBackgroundTask(runUpdateLoop(m_updateLoopTask), lcUpdate(), "The update loop");
}

// Matters only while refreshes fail: every successful refresh reads the feed too.
QCoro::Task<> CompanionAppModel::runUpdateLoop(TaskHandle task) {
    const QPointer<CompanionAppModel> self(this);
    while (!isGone(self) && !task->isCancelled()) {
        const bool elapsed = co_await continuousSleep(m_settings.updateCheckInterval, task.get());
        if (!elapsed || isGone(self)) {
            co_return;
        }
        co_await refreshReleaseStatus(installedVersionForReleaseChecks());
    }
}

void CompanionAppModel::openUpdateAction() {
    if (m_updateInstallState.blocksUpdateActions()) {
        return;
    }
    if (!m_releaseStatus.updateAvailable && !m_releaseStatus.updateRequired) {
        checkForUpdates();
        return;
    }
    const QUrl download(m_releaseStatus.downloadURL.trimmed(), QUrl::StrictMode);
    if (!m_releaseStatus.downloadURL.trimmed().isEmpty() && download.isValid() &&
        !download.scheme().isEmpty()) {
        const QString latest = m_releaseStatus.latestVersion.trimmed();
        startBackgroundTask(installUpdate(download, latest.isEmpty() ? QStringLiteral("latest") : latest,
                                          m_releaseStatus.downloadSHA256),
                            lcUpdate(), "Installing an update");
        return;
    }
    m_platform.openUrl(webURL(m_releaseStatus.primaryActionURL).value_or(CompanionPaths::downloadsURL()));
}

QCoro::Task<> CompanionAppModel::installUpdate(QUrl from, QString version, QString expectedSHA256) {
    const QPointer<CompanionAppModel> self(this);
    setNoticeMessage(std::nullopt);
    setErrorMessage(std::nullopt);
    setUpdateInstallState(UpdateInstallState::downloading(version));

    const QString label = version.trimmed().isEmpty() ? QStringLiteral("latest") : version.trimmed();
    QString failure;
    try {
        CompanionPaths::ensureDirectories();
        const QString diskImage = CompanionPaths::stagedUpdateDiskImage(label);
        const QString script = CompanionPaths::installerScriptFile(label);
        co_await m_updateInstaller.downloadDiskImage(from, diskImage, expectedSHA256);
        if (isGone(self)) {
            co_return;
        }
        m_updateInstaller.writeInstallerScript(script);
        m_updateInstaller.launchInstaller(script, QCoreApplication::applicationPid(), label, diskImage,
                                          m_bundlePath);
    } catch (const std::exception& error) {
        failure = describeError(error).trimmed();
        if (failure.isEmpty()) {
            failure = tr("Could not prepare the update.");
        }
    }
    if (isGone(self)) {
        co_return;
    }
    if (!failure.isEmpty()) {
        qCWarning(lcUpdate).noquote() << "The update could not be prepared:" << failure;
        // Nothing was started: the application keeps running and offers a retry.
        setUpdateInstallState(UpdateInstallState::failed(failure));
        setErrorMessage(failure);
        co_return;
    }

    setUpdateInstallState(UpdateInstallState::installing(version));
    setNoticeMessage(tr("Installing Vendrilo Connect %1. The app will relaunch automatically.").arg(version));
    // The script waits for this process to exit; the pause lets the notice show first.
    co_await continuousSleep(m_settings.updateRelaunchDelay);
    if (isGone(self)) {
        co_return;
    }
    setUpdateInstallState(UpdateInstallState::relaunching(version));
    requestFullTermination();
}

void CompanionAppModel::consumePendingUpdateResultIfNeeded() {
    const QString path = CompanionPaths::updateResultFile();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        qCWarning(lcUpdate) << "The update result file is not UTF-8; ignored";
        return;
    }
    // Reported once: the record goes before it is interpreted.
    QFile::remove(path);

    // kind TAB version TAB message; further tabs belong to the message.
    const qsizetype firstTab = text.indexOf(u'\t');
    const qsizetype secondTab = firstTab < 0 ? -1 : text.indexOf(u'\t', firstTab + 1);
    if (secondTab < 0) {
        return;
    }
    const QStringView kind = QStringView(text).left(firstTab);
    const QString version = text.mid(firstTab + 1, secondTab - firstTab - 1).trimmed();
    const QString message = text.mid(secondTab + 1).trimmed();

    if (kind == u"success") {
        setUpdateInstallState(UpdateInstallState::idle());
        if (!version.isEmpty()) {
            setNoticeMessage(tr("Vendrilo Connect %1 was installed successfully.").arg(version));
        } else {
            setNoticeMessage(message.isEmpty() ? tr("Vendrilo Connect was updated successfully.") : message);
        }
    } else if (kind == u"failure") {
        const QString shown =
            message.isEmpty() ? tr("Vendrilo Connect could not finish installing the update.") : message;
        setUpdateInstallState(UpdateInstallState::failed(shown));
        setErrorMessage(shown);
    }
}

QString CompanionAppModel::updateSummary() const {
    return m_updateInstallState.summary(m_releaseStatus);
}

QString CompanionAppModel::updateActionLabel() const {
    return m_updateInstallState.actionLabel(m_releaseStatus);
}

QString CompanionAppModel::updateStatusDetail() const {
    return m_updateInstallState.statusDetail(m_releaseStatus);
}

bool CompanionAppModel::showsMenuBarUpdateIndicator() const {
    return m_updateInstallState.showsMenuBarIndicator(m_releaseStatus);
}
