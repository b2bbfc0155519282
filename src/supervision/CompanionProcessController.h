#pragma once

#include "supervision/CompanionPaths.h"
#include "supervision/HostNameSource.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

// Keeps exactly one runtime of the application's build answering on the admin
// address: installs it out of the bundle, launches it, adopts or replaces a
// runtime left over from an earlier session and stops it. Operations run on the
// main thread; their waits are awaited, so other calls may run in between.
class CompanionProcessController : public QObject {
    Q_OBJECT
public:
    struct Settings {
        // The admin API; the runtime is told to listen on its host and port.
        QUrl baseURL = CompanionPaths::dashboardBaseURL();
        // BundleInfo::bundledRuntimeExecutable(); none means "not in the bundle".
        std::optional<QString> bundledRuntime;
        // The computer's display name, passed as -host-name.
        HostNameSource hostName;

        std::chrono::milliseconds healthPollInterval{250};
        int healthPollAttempts = 40;
        std::chrono::milliseconds stopPollInterval{100};
        int stopPollAttempts = 10;
        // Limit of every /healthz request.
        std::chrono::milliseconds requestTimeout{5000};
        // Limit of the /v1/runtime version read.
        std::chrono::milliseconds versionRequestTimeout{60000};
        // companion.log is started afresh at a launch once it is larger, keeping one previous file.
        qint64 runtimeLogSizeLimit = 5 * 1024 * 1024;
    };

    explicit CompanionProcessController(Settings settings, QObject* parent = nullptr);
    ~CompanionProcessController() override;

    // Makes sure a runtime of appVersion (or of an unknown version) answers.
    // Throws CompanionProcessError, PlatformError (folders, files, launch).
    QCoro::Task<> ensureRunning(QString appVersion);

    // Stops the owned runtime and every other process running the installed
    // runtime executable: SIGTERM, then SIGKILL after the polls. Never throws.
    QCoro::Task<> stop();

    // The runtime this controller launched and that is still running.
    bool ownsRunningProcess() const;
    std::optional<qint64> ownedProcessId() const;

    // Processes running the installed runtime executable, other than this
    // process and the owned child.
    QList<qint64> detachedRuntimePIDs() const;

Q_SIGNALS:
    // The runtime this controller launched ended without being asked to (it
    // exited or crashed).
    void ownedRuntimeExited();

private:
    QCoro::Task<bool> isHealthy() const;
    QCoro::Task<std::optional<QString>> runningRuntimeVersion() const;
    QCoro::Task<> waitUntilStopped() const;
    QString installBundledRuntime(const QString& appVersion) const;
    QCoro::Task<> launch(QString binaryPath, QString appVersion);
    QCoro::Task<> waitUntilHealthy() const;
    QCoro::Task<> terminate(qint64 pid) const;
    void handleTermination(QProcess* process);

    Settings m_settings;
    QNetworkAccessManager* m_network;
    QPointer<QProcess> m_ownedProcess;
    // The child stop() is ending: its exit is no news.
    QPointer<QProcess> m_stoppingProcess;
};
