#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionAppModel.h"
#include "model/ModelMessages.h"
#include "model/ModelServices.h"
#include "model/RuntimeReadings.h"
#include "model/UpdateCoordinator.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"
#include "system/PlatformServices.h"

#include <QCoreApplication>

void CompanionAppModel::startIfNeeded() {
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    startBackgroundTask(bootstrap(), lcModel(), "Start-up");
}

QCoro::Task<> CompanionAppModel::bootstrap() {
    const QPointer<CompanionAppModel> self(this);
    beginBusy();
    refreshLaunchAtLoginState();

    std::optional<QString> failure;
    try {
        co_await ensureRunningAndRefresh();
    } catch (const std::exception& error) {
        failure = describeError(error);
    }
    if (isGone(self)) {
        co_return;
    }
    if (failure) {
        qCWarning(lcModel).noquote() << "Start-up failed:" << *failure;
        setErrorMessage(*failure);
    }

    // Whatever failed above, the loops run: the refresh loop keeps retrying.
    m_updates->consumePendingUpdateResultIfNeeded();
    scheduleRefreshLoop();
    m_updates->scheduleUpdateLoop();
    endBusy();
}

QCoro::Task<> CompanionAppModel::restartCompanion() {
    return performBusyAction(tr("Could not restart the companion runtime."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await restartRuntimeAndRefresh();
        if (isGone(self)) {
            co_return;
        }
        setNoticeMessage(tr("The bundled companion runtime restarted."));
    });
}

QCoro::Task<> CompanionAppModel::ensureRunningAndRefresh() {
    const QPointer<CompanionAppModel> self(this);
    co_await m_processController.ensureRunning(m_applicationVersion);
    if (isGone(self)) {
        co_return;
    }
    co_await refresh(true);
    if (isGone(self)) {
        co_return;
    }
    co_await prepareLocalNetworkAccessIfNeeded(currentClients());
}

QCoro::Task<> CompanionAppModel::restartRuntimeAndRefresh() {
    const QPointer<CompanionAppModel> self(this);
    co_await m_processController.stop();
    if (isGone(self)) {
        co_return;
    }
    co_await m_processController.ensureRunning(m_applicationVersion);
    if (isGone(self)) {
        co_return;
    }
    co_await refresh(true);
}

QCoro::Task<> CompanionAppModel::shutdown() {
    if (m_hasShutdown) {
        co_return;
    }
    m_hasShutdown = true;
    cancelTask(m_refreshLoopTask);
    m_updates->stopUpdateLoop();
    m_messages->stopDismissing();
    co_await m_processController.stop();
}

void CompanionAppModel::requestFullTermination() {
    if (m_fullTerminationHandler) {
        m_fullTerminationHandler();
    } else {
        QCoreApplication::quit();
    }
}

void CompanionAppModel::revealLogs() {
    m_platform.revealFile(CompanionPaths::runtimeLog());
}

void CompanionAppModel::revealDataDirectory() {
    m_platform.revealFile(CompanionPaths::runtimeDataDirectory());
}

void CompanionAppModel::revealUpdatesDirectory() {
    try {
        CompanionPaths::ensureDirectories();
    } catch (const std::exception& error) {
        setErrorMessage(describeError(error));
        return;
    }
    m_platform.revealDirectory(CompanionPaths::updatesDirectory());
}

void CompanionAppModel::openBrowserDashboard() {
    m_platform.openUrl(CompanionPaths::dashboardBaseURL());
}
