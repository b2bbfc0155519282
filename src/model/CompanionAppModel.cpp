#include "model/CompanionAppModel.h"

#include "common/UserFacingError.h"
#include "model/CompanionPreferences.h"
#include "supervision/CompanionProcessController.h"

namespace {

// Health and diagnostics are extras of a refresh: any failure just means "no news".
template <typename T> QCoro::Task<std::optional<T>> valueOrNothing(QCoro::Task<T> request) {
    try {
        co_return co_await std::move(request);
    } catch (const std::exception&) {
        co_return std::nullopt;
    }
}

} // namespace

CompanionAppModel::CompanionAppModel(Collaborators collaborators, QObject* parent)
    : CompanionAppModel(std::move(collaborators), Settings{}, parent) {}

CompanionAppModel::CompanionAppModel(Collaborators collaborators, Settings settings, QObject* parent)
    : QObject(parent), m_api(collaborators.runtimeBaseURL, settings.apiTimeout),
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
      m_onboardingDisplayNameDraft(collaborators.computerName) {}

CompanionAppModel::~CompanionAppModel() {
    // Wake every sleeping loop and fail every request in flight, so that no
    // coroutine is left waiting; each sees the model going and ends.
    m_tearingDown = true;
    cancelTask(m_refreshLoopTask);
    cancelTask(m_updateLoopTask);
    cancelTask(m_noticeAutoDismissTask);
    m_api.abortAll();
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

void CompanionAppModel::setBusy(bool busy) {
    assign(m_isBusy, busy, &CompanionAppModel::isBusyChanged);
}

void CompanionAppModel::setRefreshing(bool refreshing) {
    assign(m_isRefreshing, refreshing, &CompanionAppModel::isRefreshingChanged);
}

// Refresh.

QCoro::Task<> CompanionAppModel::refresh(bool showErrors) {
    const QPointer<CompanionAppModel> self(this);
    setRefreshing(true);

    auto snapshotRequest = m_api.runtime();
    auto healthRequest = valueOrNothing(m_api.health());
    auto diagnosticsRequest = valueOrNothing(m_api.diagnostics(diagnosticsLimit));

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
        // The other two answers are of no use without a snapshot; let them end first.
        co_await std::move(healthRequest);
        co_await std::move(diagnosticsRequest);
        if (isGone(self)) {
            co_return;
        }
        if (showErrors) {
            setErrorMessage(failureDescription);
        }
        setRefreshing(false);
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
    setRefreshing(false);
}

void CompanionAppModel::scheduleRefreshLoop() {
    cancelTask(m_refreshLoopTask);
    m_refreshLoopTask = std::make_shared<SleepCanceller>();
    runRefreshLoop(m_refreshLoopTask);
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
            setErrorMessage(*failure);
        }
    }
}

QCoro::Task<> CompanionAppModel::refreshFromToolbar() {
    return performBusyAction(QStringLiteral("Could not refresh Vendrilo Connect."),
                             [this]() -> QCoro::Task<> {
                                 const QPointer<CompanionAppModel> self(this);
                                 co_await ensureRunningAndRefresh();
                                 if (isGone(self)) {
                                     co_return;
                                 }
                                 setNoticeMessage(QStringLiteral("Companion status refreshed."));
                             });
}

// Messages.

QCoro::Task<> CompanionAppModel::performBusyAction(QString failureMessage,
                                                   std::function<QCoro::Task<>()> operation) {
    const QPointer<CompanionAppModel> self(this);
    setBusy(true);
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
    setBusy(false);
}

void CompanionAppModel::rearmNoticeDismissal() {
    cancelTask(m_noticeAutoDismissTask);
    const QString notice = m_noticeMessage.value_or(QString()).trimmed();
    if (notice.isEmpty()) {
        return;
    }
    m_noticeAutoDismissTask = std::make_shared<SleepCanceller>();
    dismissNoticeLater(m_noticeAutoDismissTask, notice);
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
