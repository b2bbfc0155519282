#include "supervision/CompanionProcessController.h"

#include "common/ContinuousSleep.h"
#include "common/LogCategories.h"
#include "common/LogRotation.h"
#include "common/UserFacingError.h"
#include "runtime/CompanionAPI.h"
#include "runtime/WireCoding.h"
#include "supervision/CompanionProcessError.h"
#include "supervision/ProcessTable.h"

#include <QCoreApplication>
#include <QCoro/QCoroNetworkReply>
#include <QCoro/QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QUuid>

#include <memory>
#include <signal.h>
#include <unistd.h>

namespace {

void removeIfPresent(const QString& path) {
    QFile file(path);
    if (file.exists() && !file.remove()) {
        throw PlatformError(
            QCoreApplication::translate("CompanionProcessController", "“%1” could not be removed: %2")
                .arg(path, file.errorString()));
    }
}

// The reference path as the kernel reports it in /proc/<pid>/exe: symbolic
// links in the data folder's path resolved.
QString installedRuntimeAsSeenByKernel() {
    const QString installed = CompanionPaths::installedRuntimeExecutable();
    const QString directory = QFileInfo(CompanionPaths::runtimeDirectory()).canonicalFilePath();
    if (directory.isEmpty()) {
        return installed;
    }
    return directory + u'/' + QFileInfo(installed).fileName();
}

} // namespace

CompanionProcessController::CompanionProcessController(Settings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_network(new QNetworkAccessManager(this)) {
    m_network->setTransferTimeout(static_cast<int>(m_settings.versionRequestTimeout.count()));
}

CompanionProcessController::~CompanionProcessController() = default;

QCoro::Task<> CompanionProcessController::ensureRunning(QString appVersion) {
    CompanionPaths::ensureDirectories();

    if (co_await isHealthy()) {
        const std::optional<QString> runningVersion = co_await runningRuntimeVersion();
        // A runtime whose version cannot be read is adopted as it is.
        if (!runningVersion || *runningVersion == appVersion) {
            co_return;
        }
        co_await stop();
        co_await waitUntilStopped();
    }

    if (ownsRunningProcess()) {
        // Our own child is still starting: wait for it instead of launching another.
        co_await waitUntilHealthy();
        co_return;
    }

    const QString binary = installBundledRuntime(appVersion);
    co_await launch(binary, appVersion);
    co_await waitUntilHealthy();
}

QCoro::Task<> CompanionProcessController::stop() {
    std::optional<qint64> stoppedChild;
    if (ownsRunningProcess()) {
        QProcess* child = m_ownedProcess;
        m_stoppingProcess = child;
        stoppedChild = child->processId();
        co_await terminate(*stoppedChild);
        // Let it be reaped, so its end reaches the termination handler before anyone looks again.
        if (m_ownedProcess == child) {
            SleepCanceller reaped;
            connect(child, &QProcess::finished, &reaped, &SleepCanceller::cancel);
            co_await continuousSleep(m_settings.stopPollInterval * m_settings.stopPollAttempts, &reaped);
        }
    }
    // The QProcess object itself goes when its finished() arrives.
    m_ownedProcess = nullptr;

    for (const qint64 pid : detachedRuntimePIDs()) {
        // The child may still be listed until it is reaped; it got its signals above.
        if (pid != stoppedChild) {
            co_await terminate(pid);
        }
    }
}

bool CompanionProcessController::ownsRunningProcess() const {
    return m_ownedProcess && m_ownedProcess->state() != QProcess::NotRunning &&
           m_ownedProcess->processId() > 0;
}

std::optional<qint64> CompanionProcessController::ownedProcessId() const {
    if (!ownsRunningProcess()) {
        return std::nullopt;
    }
    return m_ownedProcess->processId();
}

QList<qint64> CompanionProcessController::detachedRuntimePIDs() const {
    const QString reference = installedRuntimeAsSeenByKernel();
    const qint64 self = QCoreApplication::applicationPid();
    const std::optional<qint64> owned = ownedProcessId();

    QList<qint64> pids;
    for (const qint64 pid : ProcessTable::processIds()) {
        if (pid == self || pid == owned) {
            continue;
        }
        if (ProcessTable::executablePath(pid) == reference) {
            pids.append(pid);
        }
    }
    return pids;
}

QCoro::Task<bool> CompanionProcessController::isHealthy() const {
    try {
        // A fresh client each time: no connection of an earlier runtime is reused.
        const CompanionAPI api(m_settings.baseURL, m_settings.requestTimeout);
        co_await api.healthcheck();
        co_return true;
    } catch (const std::exception& error) {
        // Polled often while a runtime starts or stops: only worth a debug line.
        qCDebug(lcSupervision).noquote() << "Health check failed:" << describeError(error);
        co_return false;
    }
}

QCoro::Task<std::optional<QString>> CompanionProcessController::runningRuntimeVersion() const {
    if (!co_await isHealthy()) {
        co_return std::nullopt;
    }
    QNetworkRequest request(m_settings.baseURL.resolved(QUrl(QStringLiteral("/v1/runtime"))));
    request.setRawHeader("Accept", "application/json");
    const std::unique_ptr<QNetworkReply> reply(co_await m_network->get(request));

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        qCInfo(lcSupervision) << "The running runtime's version is unknown: HTTP" << status;
        co_return std::nullopt;
    }
    try {
        const auto payload = WireCoding::decode<RuntimeVersionPayload>(reply->readAll());
        const QString version = payload.identity.agentVersion.trimmed();
        co_return version.isEmpty() ? std::nullopt : std::optional<QString>(version);
    } catch (const std::exception& error) {
        qCInfo(lcSupervision).noquote()
            << "The running runtime's version is unreadable:" << describeError(error);
        co_return std::nullopt;
    }
}

QCoro::Task<> CompanionProcessController::waitUntilStopped() const {
    for (int attempt = 0;;) {
        if (!co_await isHealthy()) {
            co_return;
        }
        co_await continuousSleep(m_settings.healthPollInterval);
        if (++attempt >= m_settings.healthPollAttempts) {
            throw CompanionProcessError(CompanionProcessError::Kind::RuntimeDidNotStop);
        }
    }
}

QString CompanionProcessController::installBundledRuntime(const QString& appVersion) const {
    if (!m_settings.bundledRuntime || !QFileInfo(*m_settings.bundledRuntime).isFile()) {
        throw CompanionProcessError(CompanionProcessError::Kind::MissingBundledRuntime);
    }
    const QString target = CompanionPaths::installedRuntimeExecutable();
    const QString stampPath = CompanionPaths::runtimeVersionStamp();

    QFile stamp(stampPath);
    if (stamp.open(QIODevice::ReadOnly) && QString::fromUtf8(stamp.readAll()).trimmed() == appVersion &&
        QFileInfo::exists(target)) {
        return target;
    }
    stamp.close();

    // Copy beside the target and rename, so a half-copied file never carries the runtime's name.
    const QString staging = CompanionPaths::runtimeDirectory() + u'/' +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    removeIfPresent(staging);
    QFile source(*m_settings.bundledRuntime);
    if (!source.copy(staging)) {
        throw PlatformError(
            tr("The companion runtime could not be copied to “%1”: %2").arg(staging, source.errorString()));
    }
    if (!QFile::setPermissions(staging, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther)) {
        throw PlatformError(tr("The permissions of “%1” could not be set.").arg(staging));
    }
    removeIfPresent(target);
    QFile staged(staging);
    if (!staged.rename(target)) {
        throw PlatformError(
            tr("“%1” could not be moved to “%2”: %3").arg(staging, target, staged.errorString()));
    }

    QSaveFile stampWriter(stampPath);
    if (!stampWriter.open(QIODevice::WriteOnly) || stampWriter.write(appVersion.toUtf8()) < 0 ||
        !stampWriter.commit()) {
        throw PlatformError(tr("“%1” could not be written: %2").arg(stampPath, stampWriter.errorString()));
    }
    return target;
}

QCoro::Task<> CompanionProcessController::launch(QString binaryPath, QString appVersion) {
    const QUrl& admin = m_settings.baseURL;
    auto process = std::make_unique<QProcess>();
    process->setProgram(binaryPath);
    process->setArguments(
        {QStringLiteral("run"), QStringLiteral("-data-dir"), CompanionPaths::runtimeDataDirectory(),
         QStringLiteral("-platform"), CompanionPaths::platformName(), QStringLiteral("-host-name"),
         m_settings.hostName.current(), QStringLiteral("-agent-version"), appVersion,
         QStringLiteral("-admin-listen"), admin.host() + u':' + QString::number(admin.port(46901))});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VENDRILO_CONNECT_COMMAND_NAME"), QStringLiteral("vendrilo-connect"));
    process->setProcessEnvironment(environment);

    CompanionPaths::ensureDirectories();
    if (!rotateLogIfLarger(CompanionPaths::runtimeLog(), m_settings.runtimeLogSizeLimit)) {
        qCWarning(lcSupervision) << "The runtime log could not be rotated; appending to it";
    }
    process->setStandardOutputFile(CompanionPaths::runtimeLog(), QIODevice::Append);
    process->setStandardErrorFile(CompanionPaths::runtimeLog(), QIODevice::Append);
    process->setStandardInputFile(QProcess::nullDevice());

    // No PR_SET_PDEATHSIG: a runtime that outlives a crashed app keeps serving
    // the phone, and the next start adopts it (same version) or replaces it.
    // Its own session, so a terminal's Ctrl+C meant for ctl or the headless app
    // does not reach it; the app stops it itself.
    process->setChildProcessModifier([] { ::setsid(); });

    QProcess* child = process.release();
    child->setParent(this);
    connect(child, &QProcess::finished, this, [this, child] { handleTermination(child); });

    // Owned from the start, so a second ensureRunning waits for this child.
    m_ownedProcess = child;
    child->start();
    // A failed exec is reported asynchronously; wait for either outcome.
    while (child->state() == QProcess::Starting) {
        co_await qCoro(child, &QProcess::stateChanged);
    }
    if (child->state() != QProcess::Running) {
        const QString reason = child->errorString();
        if (m_ownedProcess == child) {
            m_ownedProcess = nullptr;
        }
        child->deleteLater();
        throw PlatformError(
            tr("The companion runtime could not be started from “%1”: %2").arg(binaryPath, reason));
    }
}

QCoro::Task<> CompanionProcessController::waitUntilHealthy() const {
    for (int attempt = 0;;) {
        if (co_await isHealthy()) {
            co_return;
        }
        co_await continuousSleep(m_settings.healthPollInterval);
        if (++attempt >= m_settings.healthPollAttempts) {
            throw CompanionProcessError(CompanionProcessError::Kind::RuntimeDidNotBecomeReady);
        }
    }
}

QCoro::Task<> CompanionProcessController::terminate(qint64 pid) const {
    const auto id = static_cast<pid_t>(pid);
    ::kill(id, SIGTERM);
    for (int attempt = 0; attempt < m_settings.stopPollAttempts; ++attempt) {
        if (!ProcessTable::isAlive(pid)) {
            co_return;
        }
        co_await continuousSleep(m_settings.stopPollInterval);
    }
    ::kill(id, SIGKILL);
}

void CompanionProcessController::handleTermination(QProcess* process) {
    const bool unexpected = m_ownedProcess == process && m_stoppingProcess != process;
    if (m_ownedProcess == process) {
        m_ownedProcess = nullptr;
    }
    process->deleteLater();
    if (unexpected) {
        if (process->exitStatus() == QProcess::CrashExit) {
            qCWarning(lcSupervision) << "The companion runtime crashed:" << process->errorString();
        } else {
            qCWarning(lcSupervision) << "The companion runtime exited on its own with code"
                                     << process->exitCode();
        }
        Q_EMIT ownedRuntimeExited();
    }
}
