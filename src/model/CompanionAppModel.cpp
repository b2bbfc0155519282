#include "model/CompanionAppModel.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionPreferences.h"
#include "model/RefreshRound.h"
#include "supervision/CompanionProcessController.h"

#include <QCoro/QCoroSignal>

namespace {

// Health and diagnostics are extras of a refresh: any failure just means "no news".
template <typename T> QCoro::Task<std::optional<T>> valueOrNothing(QCoro::Task<T> request, const char* what) {
    try {
        co_return co_await std::move(request);
    } catch (const std::exception& error) {
        qCDebug(lcModel).noquote() << what << "not read:" << describeError(error);
        co_return std::nullopt;
    }
}

} // namespace

CompanionAppModel::CompanionAppModel(Collaborators collaborators, QObject* parent)
    : CompanionAppModel(std::move(collaborators), Settings{}, parent) {}

CompanionAppModel::CompanionAppModel(Collaborators collaborators, Settings settings, QObject* parent)
    : QObject(parent), m_api(collaborators.runtimeBaseURL, settings.apiTimeout),
      m_refreshAPI(collaborators.runtimeBaseURL, settings.apiTimeout),
      m_processController(collaborators.processController), m_platform(collaborators.platform),
      m_preferences(collaborators.preferences),
      m_applicationVersion(std::move(collaborators.applicationVersion)), m_settings(settings),
      m_deviceName(std::move(collaborators.deviceName)), m_bundlePath(collaborators.bundlePath),
      m_launchAtLoginManager(collaborators.bundlePath, collaborators.bundleIdentifier),
      m_localNetworkAccessCoordinator(settings.localNetworkProbeTimeout),
      m_releaseService(collaborators.manifestURL, settings.releaseRequestTimeout,
                       settings.releaseResourceTimeout),
      m_updateInstaller(settings.updateDownloadTimeout),
      m_keepRunningInMenuBarWhenQuitting(m_preferences.keepRunningInMenuBarWhenQuitting()),
      m_showOnboarding(!m_preferences.didCompleteInitialSetup()),
      m_hasCompletedGuidedExperience(m_preferences.didCompleteGuidedExperience()),
      m_displayNameDraft(collaborators.computerName),
      m_onboardingDisplayNameDraft(collaborators.computerName) {
    // A runtime that ended on its own shows as an error now, not at the next loop round.
    connect(&m_processController, &CompanionProcessController::ownedRuntimeExited, this, [this] {
        if (m_hasStarted && !m_hasShutdown) {
            startBackgroundTask(refreshInBackground(), lcModel(), "Refreshing after the runtime ended");
        }
    });
}

CompanionAppModel::~CompanionAppModel() {
    // Wake every sleeping loop and fail every request in flight, so that no
    // coroutine is left waiting; each sees the model going and ends.
    m_tearingDown = true;
    cancelTask(m_refreshLoopTask);
    cancelTask(m_updateLoopTask);
    cancelTask(m_noticeAutoDismissTask);
    m_api.abortAll();
    m_refreshAPI.abortAll();
    // Callers queued behind the running refresh see the model going and end.
    if (m_nextRefresh) {
        std::exchange(m_nextRefresh, nullptr)->finish(nullptr);
    }
}

void CompanionAppModel::cancelTask(TaskHandle& task) {
    if (task) {
        const TaskHandle cancelled = std::exchange(task, nullptr);
        cancelled->cancel();
    }
}

void CompanionAppModel::notifyStatusPresentation() {
    Q_EMIT statusPresentationDidChange();
}

void CompanionAppModel::setFullTerminationHandler(std::function<void()> handler) {
    m_fullTerminationHandler = std::move(handler);
}

// Status properties: the presentation signal follows even when the value did not change.

void CompanionAppModel::setRuntime(std::optional<RuntimeSnapshot> runtime) {
    assign(m_runtime, std::move(runtime), &CompanionAppModel::runtimeChanged, Notify::Always);
    notifyStatusPresentation();
}

void CompanionAppModel::setHealth(std::optional<HealthSummary> health) {
    assign(m_health, std::move(health), &CompanionAppModel::healthChanged, Notify::Always);
    notifyStatusPresentation();
}

void CompanionAppModel::setReleaseStatus(ResolvedReleaseStatus status) {
    assign(m_releaseStatus, std::move(status), &CompanionAppModel::releaseStatusChanged, Notify::Always);
    notifyStatusPresentation();
}

void CompanionAppModel::setErrorMessage(std::optional<QString> message) {
    assign(m_errorMessage, std::move(message), &CompanionAppModel::errorMessageChanged);
    notifyStatusPresentation();
}

void CompanionAppModel::setNoticeMessage(std::optional<QString> message) {
    assign(m_noticeMessage, std::move(message), &CompanionAppModel::noticeMessageChanged);
    notifyStatusPresentation();
    rearmNoticeDismissal();
}

void CompanionAppModel::setLaunchAtLoginEnabled(bool enabled) {
    assign(m_launchAtLoginEnabled, enabled, &CompanionAppModel::launchAtLoginEnabledChanged);
    notifyStatusPresentation();
}

void CompanionAppModel::storeKeepRunningInMenuBarWhenQuitting(bool keepRunning) {
    m_preferences.setBool(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey, keepRunning);
    assign(m_keepRunningInMenuBarWhenQuitting, keepRunning,
           &CompanionAppModel::keepRunningInMenuBarWhenQuittingChanged);
    notifyStatusPresentation();
}

void CompanionAppModel::setUpdateInstallState(UpdateInstallState state) {
    assign(m_updateInstallState, std::move(state), &CompanionAppModel::updateInstallStateChanged);
    notifyStatusPresentation();
}

// The other observed properties.

void CompanionAppModel::setDiagnostics(QList<DiagnosticEvent> diagnostics) {
    assign(m_diagnostics, std::move(diagnostics), &CompanionAppModel::diagnosticsChanged, Notify::Always);
}

void CompanionAppModel::setPairingLink(std::optional<PairingLinkPayload> link) {
    assign(m_pairingLink, std::move(link), &CompanionAppModel::pairingLinkChanged, Notify::Always);
}

void CompanionAppModel::setPairingQRCode(std::optional<QImage> image) {
    assign(m_pairingQRCode, std::move(image), &CompanionAppModel::pairingQRCodeChanged, Notify::Always);
}

void CompanionAppModel::setLastUpdated(std::optional<QDateTime> time) {
    assign(m_lastUpdated, std::move(time), &CompanionAppModel::lastUpdatedChanged);
}

void CompanionAppModel::setLaunchAtLoginStatus(QString status) {
    assign(m_launchAtLoginStatus, std::move(status), &CompanionAppModel::launchAtLoginStatusChanged);
}

void CompanionAppModel::setClientDraft(std::optional<ClientDraft> draft) {
    assign(m_clientDraft, std::move(draft), &CompanionAppModel::clientDraftChanged);
}

void CompanionAppModel::setSelectedSection(DashboardSection section) {
    assign(m_selectedSection, section, &CompanionAppModel::selectedSectionChanged);
}

void CompanionAppModel::setShowOnboarding(bool show) {
    assign(m_showOnboarding, show, &CompanionAppModel::showOnboardingChanged);
}

void CompanionAppModel::setHasCompletedGuidedExperience(bool completed) {
    assign(m_hasCompletedGuidedExperience, completed,
           &CompanionAppModel::hasCompletedGuidedExperienceChanged);
}

void CompanionAppModel::setDisplayNameDraft(QString name) {
    assign(m_displayNameDraft, std::move(name), &CompanionAppModel::displayNameDraftChanged);
}

void CompanionAppModel::setOnboardingDisplayNameDraft(QString name) {
    assign(m_onboardingDisplayNameDraft, std::move(name),
           &CompanionAppModel::onboardingDisplayNameDraftChanged);
}

void CompanionAppModel::setOnboardingLaunchAtLoginEnabled(bool enabled) {
    assign(m_onboardingLaunchAtLoginEnabled, enabled,
           &CompanionAppModel::onboardingLaunchAtLoginEnabledChanged);
}

void CompanionAppModel::setOnboardingErrorMessage(std::optional<QString> message) {
    assign(m_onboardingErrorMessage, std::move(message), &CompanionAppModel::onboardingErrorMessageChanged);
}

void CompanionAppModel::setPairingOverlayPresented(bool presented) {
    assign(m_isPairingOverlayPresented, presented, &CompanionAppModel::isPairingOverlayPresentedChanged);
}

void CompanionAppModel::setCompletingOnboarding(bool completing) {
    assign(m_isCompletingOnboarding, completing, &CompanionAppModel::isCompletingOnboardingChanged);
}

void CompanionAppModel::beginBusy() {
    ++m_busyCount;
    assign(m_isBusy, true, &CompanionAppModel::isBusyChanged);
}

void CompanionAppModel::endBusy() {
    --m_busyCount;
    assign(m_isBusy, m_busyCount > 0, &CompanionAppModel::isBusyChanged);
}

void CompanionAppModel::setRefreshing(bool refreshing) {
    assign(m_isRefreshing, refreshing, &CompanionAppModel::isRefreshingChanged);
}

// Refresh.

QCoro::Task<> CompanionAppModel::refresh(bool showErrors) {
    const QPointer<CompanionAppModel> self(this);
    std::shared_ptr<RefreshRound> round;
    if (m_refreshRunning) {
        // An answer older than one already shown must never overwrite it: wait.
        if (!m_nextRefresh) {
            m_nextRefresh = std::make_shared<RefreshRound>();
        }
        round = m_nextRefresh;
        round->showErrors = round->showErrors || showErrors;
    } else {
        round = std::make_shared<RefreshRound>();
        round->showErrors = showErrors;
        m_refreshRunning = true;
        setRefreshing(true);
        startBackgroundTask(runRefreshRounds(round), lcModel(), "Refreshing");
    }
    if (!round->isFinished()) {
        co_await qCoro(round.get(), &RefreshRound::finished);
    }
    if (round->failure() && !isGone(self)) {
        std::rethrow_exception(round->failure());
    }
}

QCoro::Task<> CompanionAppModel::runRefreshRounds(std::shared_ptr<RefreshRound> round) {
    const QPointer<CompanionAppModel> self(this);
    while (round) {
        std::exception_ptr failure;
        try {
            co_await applyRefresh(round->showErrors);
        } catch (...) {
            failure = std::current_exception();
        }
        if (isGone(self)) {
            round->finish(failure);
            co_return;
        }
        std::shared_ptr<RefreshRound> next = std::exchange(m_nextRefresh, nullptr);
        if (!next) {
            m_refreshRunning = false;
            setRefreshing(false);
        }
        // Waiters resume in here and may discard the model.
        round->finish(failure);
        if (isGone(self)) {
            if (next) {
                next->finish(nullptr);
            }
            co_return;
        }
        round = std::move(next);
    }
}

QCoro::Task<> CompanionAppModel::applyRefresh(bool showErrors) {
    const QPointer<CompanionAppModel> self(this);
    auto snapshotRequest = m_refreshAPI.runtime();
    auto healthRequest = valueOrNothing(m_refreshAPI.health(), "Health");
    auto diagnosticsRequest = valueOrNothing(m_refreshAPI.diagnostics(diagnosticsLimit), "Diagnostics");

    std::optional<RuntimeSnapshot> snapshot;
    std::exception_ptr failure;
    QString failureDescription;
    try {
        snapshot = co_await std::move(snapshotRequest);
    } catch (const std::exception& error) {
        failure = std::current_exception();
        failureDescription = describeError(error);
    }
    if (failure) {
        // The other two answers are of no use without a snapshot: cancel them, so
        // the failure shows at once; they end as soon as they are cancelled.
        m_refreshAPI.abortAll();
        co_await std::move(healthRequest);
        co_await std::move(diagnosticsRequest);
        if (isGone(self)) {
            co_return;
        }
        if (showErrors) {
            setErrorMessage(failureDescription);
        }
        std::rethrow_exception(failure);
    }
    if (isGone(self)) {
        co_return;
    }

    setRuntime(snapshot);
    std::optional<HealthSummary> health = co_await std::move(healthRequest);
    if (isGone(self)) {
        co_return;
    }
    setHealth(health ? std::move(health) : m_health);
    std::optional<QList<DiagnosticEvent>> diagnostics = co_await std::move(diagnosticsRequest);
    if (isGone(self)) {
        co_return;
    }
    setDiagnostics(diagnostics ? std::move(*diagnostics) : m_diagnostics);
    setLastUpdated(QDateTime::currentDateTime());
    setErrorMessage(std::nullopt);
    if (!m_isEditingDisplayName) {
        setDisplayNameDraft(snapshot->identity.displayName);
    }
    if (m_showOnboarding) {
        setOnboardingErrorMessage(std::nullopt);
    }

    co_await refreshPairingArtifactsIfNeeded(snapshot->identity.pairing);
    if (isGone(self)) {
        co_return;
    }
    syncPairingOverlayPresentation(snapshot->identity.pairing);

    QString installedVersion = snapshot->identity.agentVersion.trimmed();
    if (installedVersion.isEmpty()) {
        installedVersion = m_applicationVersion;
    }
    co_await refreshReleaseStatus(std::move(installedVersion));
    if (isGone(self)) {
        co_return;
    }

    refreshLaunchAtLoginState();
    seedOnboardingStateIfNeeded(*snapshot);
    seedGuidedExperienceIfNeeded(*snapshot);
    reconcileSelectedSection();
}

void CompanionAppModel::scheduleRefreshLoop() {
    cancelTask(m_refreshLoopTask);
    m_refreshLoopTask = std::make_shared<SleepCanceller>();
    startBackgroundTask(runRefreshLoop(m_refreshLoopTask), lcModel(), "The refresh loop");
}

QCoro::Task<> CompanionAppModel::refreshInBackground() {
    const QPointer<CompanionAppModel> self(this);
    std::optional<QString> failure;
    try {
        co_await refresh(false);
    } catch (const std::exception& error) {
        failure = describeError(error);
    }
    if (isGone(self)) {
        co_return;
    }
    if (failure) {
        qCInfo(lcModel).noquote() << "Refresh failed:" << *failure;
        setErrorMessage(*failure);
    }
}

QCoro::Task<> CompanionAppModel::runRefreshLoop(TaskHandle task) {
    const QPointer<CompanionAppModel> self(this);
    const auto interval = m_settings.refreshInterval;
    while (!isGone(self) && !task->isCancelled()) {
        // A cancelled sleep still lets this round's refresh run; the loop ends after it.
        co_await continuousSleep(interval, task.get());
        if (isGone(self)) {
            co_return;
        }
        co_await refreshInBackground();
    }
}

QCoro::Task<> CompanionAppModel::refreshFromToolbar() {
    return performBusyAction(tr("Could not refresh Vendrilo Connect."), [this]() -> QCoro::Task<> {
        const QPointer<CompanionAppModel> self(this);
        co_await ensureRunningAndRefresh();
        if (isGone(self)) {
            co_return;
        }
        setNoticeMessage(tr("Companion status refreshed."));
    });
}

// Messages.

QCoro::Task<> CompanionAppModel::performBusyAction(QString failureMessage,
                                                   std::function<QCoro::Task<>()> operation) {
    const QPointer<CompanionAppModel> self(this);
    beginBusy();
    setNoticeMessage(std::nullopt);
    setErrorMessage(std::nullopt);

    std::optional<QString> failure;
    try {
        co_await operation();
    } catch (const std::exception& error) {
        failure = describeError(error).trimmed();
    }
    if (isGone(self)) {
        co_return;
    }
    if (failure) {
        setErrorMessage(failure->isEmpty() ? failureMessage : *failure);
    }
    endBusy();
}

void CompanionAppModel::rearmNoticeDismissal() {
    cancelTask(m_noticeAutoDismissTask);
    const QString notice = m_noticeMessage.value_or(QString()).trimmed();
    if (notice.isEmpty()) {
        return;
    }
    m_noticeAutoDismissTask = std::make_shared<SleepCanceller>();
    startBackgroundTask(dismissNoticeLater(m_noticeAutoDismissTask, notice), lcModel(),
                        "Dismissing a notice");
}

QCoro::Task<> CompanionAppModel::dismissNoticeLater(TaskHandle task, QString notice) {
    const QPointer<CompanionAppModel> self(this);
    const bool elapsed = co_await continuousSleep(m_settings.noticeLifetime, task.get());
    if (!elapsed || isGone(self)) {
        co_return;
    }
    if (m_noticeMessage == notice) {
        setNoticeMessage(std::nullopt);
    }
}
