#pragma once

#include "model/UpdateInstallState.h"
#include "update/CompanionUpdateInstaller.h"
#include "update/ReleaseManifestService.h"
#include "update/ResolvedReleaseStatus.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class ModelMessages;
class PlatformServices;
class SleepCanceller;

// Release checks and self-update: what the feed last said, where a check or
// an installation stands, and the silent check that runs while refreshes fail.
class UpdateCoordinator : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QUrl manifestURL;
        // The running bundle, which an installation replaces.
        QString bundlePath;
        std::chrono::milliseconds requestTimeout;
        std::chrono::milliseconds resourceTimeout;
        std::chrono::milliseconds downloadTimeout;
        std::chrono::milliseconds checkInterval;
        std::chrono::milliseconds relaunchDelay;
    };
    struct Hooks {
        // The version release checks compare against.
        std::function<QString()> installedVersion;
        // Quits the application so the installer can replace it.
        std::function<void()> requestTermination;
    };

    UpdateCoordinator(Settings settings, PlatformServices& platform, ModelMessages& messages, Hooks hooks);
    ~UpdateCoordinator() override;

    const ResolvedReleaseStatus& releaseStatus() const noexcept { return m_releaseStatus; }
    const UpdateInstallState& installState() const noexcept { return m_installState; }

    void checkForUpdates();
    // A manual check reports its outcome as a message.
    QCoro::Task<> runUpdateCheck(bool manual);
    // The check of every refresh: a failure is only logged.
    QCoro::Task<> refreshReleaseStatus();
    void scheduleUpdateLoop();
    void stopUpdateLoop();
    // Install, check, or open the update page.
    void openUpdateAction();
    QCoro::Task<> installUpdate(QUrl from, QString version, QString expectedSHA256);
    // The outcome an installer left for the next launch, reported once.
    void consumePendingUpdateResultIfNeeded();

Q_SIGNALS:
    // The release status on every assignment, the install state on a change.
    void releaseStatusChanged();
    void installStateChanged();
    // After every assignment of either, changed or not.
    void assigned();
    // The installer left word that it replaced the app before this launch.
    void installedBeforeLaunch(const QString& notice);

private:
    static bool isGone(const QPointer<UpdateCoordinator>& self) { return !self || self->m_tearingDown; }
    void setReleaseStatus(ResolvedReleaseStatus status);
    void setInstallState(UpdateInstallState state);
    QCoro::Task<> runUpdateLoop(std::shared_ptr<SleepCanceller> task);

    const Settings m_settings;
    PlatformServices& m_platform;
    ModelMessages& m_messages;
    const Hooks m_hooks;
    ReleaseManifestService m_releaseService;
    CompanionUpdateInstaller m_installer;
    ResolvedReleaseStatus m_releaseStatus;
    UpdateInstallState m_installState;
    std::shared_ptr<SleepCanceller> m_loopTask;
    bool m_tearingDown = false;
};
