#include "model/UpdateCoordinator.h"

#include "common/BackgroundTask.h"
#include "common/ContinuousSleep.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/ModelMessages.h"
#include "supervision/CompanionPaths.h"
#include "system/PlatformServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
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

UpdateCoordinator::UpdateCoordinator(Settings settings, PlatformServices& platform, ModelMessages& messages,
                                     Hooks hooks)
    : m_settings(std::move(settings)), m_platform(platform), m_messages(messages), m_hooks(std::move(hooks)),
      m_releaseService(m_settings.manifestURL, m_settings.requestTimeout, m_settings.resourceTimeout),
      m_installer(m_settings.downloadTimeout) {}

UpdateCoordinator::~UpdateCoordinator() {
    m_tearingDown = true;
    stopUpdateLoop();
}

void UpdateCoordinator::setReleaseStatus(ResolvedReleaseStatus status) {
    m_releaseStatus = std::move(status);
    Q_EMIT releaseStatusChanged();
    Q_EMIT assigned();
}

void UpdateCoordinator::setInstallState(UpdateInstallState state) {
    const bool changed = !(m_installState == state);
    m_installState = std::move(state);
    if (changed) {
        Q_EMIT installStateChanged();
    }
    Q_EMIT assigned();
}

void UpdateCoordinator::checkForUpdates() {
    startBackgroundTask(runUpdateCheck(true), lcUpdate(), "Checking for updates");
}

QCoro::Task<> UpdateCoordinator::runUpdateCheck(bool manual) {
    if (m_installState.blocksUpdateActions()) {
        co_return;
    }
    const QPointer<UpdateCoordinator> self(this);
    setInstallState(UpdateInstallState::checking());

    std::optional<ResolvedReleaseStatus> status;
    QString failure;
    try {
        status = co_await m_releaseService.currentStatus(m_hooks.installedVersion());
    } catch (const std::exception& error) {
        failure = describeError(error).trimmed();
    }
    if (isGone(self)) {
        co_return;
    }
    if (!status) {
        const QString message = failure.isEmpty() ? tr("Could not check for updates.") : failure;
        qCWarning(lcUpdate).noquote() << "Update check failed:" << message;
        setInstallState(UpdateInstallState::failed(message));
        if (manual) {
            m_messages.setError(message);
        }
        co_return;
    }
    setReleaseStatus(*status);
    setInstallState(UpdateInstallState::idle());
    if (manual) {
        m_messages.setNotice(status->updateAvailable || status->updateRequired
                                 ? UpdateInstallState::readyToInstall(*status)
                                 : tr("Vendrilo Connect is up to date."));
    }
}

QCoro::Task<> UpdateCoordinator::refreshReleaseStatus() {
    const QPointer<UpdateCoordinator> self(this);
    std::optional<ResolvedReleaseStatus> status;
    try {
        status = co_await m_releaseService.currentStatus(m_hooks.installedVersion());
    } catch (const std::exception& error) {
        // Not shown: the next refresh tries again.
        qCInfo(lcUpdate).noquote() << "Release check failed:" << describeError(error);
        co_return;
    }
    if (!isGone(self)) {
        setReleaseStatus(std::move(*status));
    }
}

void UpdateCoordinator::scheduleUpdateLoop() {
    stopUpdateLoop();
    m_loopTask = std::make_shared<SleepCanceller>();
    startBackgroundTask(runUpdateLoop(m_loopTask), lcUpdate(), "The update loop");
}

void UpdateCoordinator::stopUpdateLoop() {
    if (m_loopTask) {
        std::exchange(m_loopTask, nullptr)->cancel();
    }
}

// Matters only while refreshes fail: every successful refresh reads the feed too.
QCoro::Task<> UpdateCoordinator::runUpdateLoop(std::shared_ptr<SleepCanceller> task) {
    const QPointer<UpdateCoordinator> self(this);
    while (!isGone(self) && !task->isCancelled()) {
        const bool elapsed = co_await continuousSleep(m_settings.checkInterval, task.get());
        if (!elapsed || isGone(self)) {
            co_return;
        }
        co_await refreshReleaseStatus();
    }
}

void UpdateCoordinator::openUpdateAction() {
    if (m_installState.blocksUpdateActions()) {
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

QCoro::Task<> UpdateCoordinator::installUpdate(QUrl from, QString version, QString expectedSHA256) {
    const QPointer<UpdateCoordinator> self(this);
    m_messages.setNotice(std::nullopt);
    m_messages.setError(std::nullopt);
    setInstallState(UpdateInstallState::downloading(version));

    const QString label = version.trimmed().isEmpty() ? QStringLiteral("latest") : version.trimmed();
    QString failure;
    try {
        CompanionPaths::ensureDirectories();
        const QString diskImage = CompanionPaths::stagedUpdateDiskImage(label);
        const QString script = CompanionPaths::installerScriptFile(label);
        co_await m_installer.downloadDiskImage(from, diskImage, expectedSHA256);
        if (isGone(self)) {
            co_return;
        }
        m_installer.writeInstallerScript(script);
        m_installer.launchInstaller(script, QCoreApplication::applicationPid(), label, diskImage,
                                    m_settings.bundlePath);
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
        setInstallState(UpdateInstallState::failed(failure));
        m_messages.setError(failure);
        co_return;
    }

    setInstallState(UpdateInstallState::installing(version));
    m_messages.setNotice(
        tr("Installing Vendrilo Connect %1. The app will relaunch automatically.").arg(version));
    // The script waits for this process to exit; the pause lets the notice show first.
    co_await continuousSleep(m_settings.relaunchDelay);
    if (isGone(self)) {
        co_return;
    }
    setInstallState(UpdateInstallState::relaunching(version));
    m_hooks.requestTermination();
}

void UpdateCoordinator::consumePendingUpdateResultIfNeeded() {
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
        setInstallState(UpdateInstallState::idle());
        QString notice = message.isEmpty() ? tr("Vendrilo Connect was updated successfully.") : message;
        if (!version.isEmpty()) {
            notice = tr("Vendrilo Connect %1 was installed successfully.").arg(version);
        }
        m_messages.setNotice(notice);
        Q_EMIT installedBeforeLaunch(notice);
    } else if (kind == u"failure") {
        const QString shown =
            message.isEmpty() ? tr("Vendrilo Connect could not finish installing the update.") : message;
        setInstallState(UpdateInstallState::failed(shown));
        m_messages.setError(shown);
    }
}
