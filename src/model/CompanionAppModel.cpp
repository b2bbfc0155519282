#include "model/CompanionAppModel.h"

#include "common/BackgroundTask.h"
#include "common/ContinuousSleep.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionAppModelSetup.h"
#include "model/CompanionPreferences.h"
#include "model/ModelMessages.h"
#include "model/ModelServices.h"
#include "model/PairingArtifacts.h"
#include "model/RefreshRound.h"
#include "model/RuntimeReadings.h"
#include "model/UpdateCoordinator.h"
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
    : QObject(parent), m_processController(collaborators.processController),
      m_platform(collaborators.platform), m_preferences(collaborators.preferences),
      m_applicationVersion(std::move(collaborators.applicationVersion)),
      m_refreshInterval(settings.refreshInterval),
      m_services(new ModelServices{
          .api = CompanionAPI(collaborators.runtimeBaseURL, settings.apiTimeout),
          .refreshAPI = CompanionAPI(collaborators.runtimeBaseURL, settings.apiTimeout),
          .launchAtLogin = LaunchAtLoginManager(collaborators.bundlePath, collaborators.bundleIdentifier),
          .localNetwork = LocalNetworkAccessCoordinator(settings.localNetworkProbeTimeout),
          .deviceName = std::move(collaborators.deviceName)}),
      m_readings(std::make_unique<RuntimeReadings>()),
      m_messages(std::make_unique<ModelMessages>(settings.noticeLifetime)),
      m_pairing(std::make_unique<PairingArtifacts>(m_services->api)),
      m_updates(std::make_unique<UpdateCoordinator>(
          UpdateCoordinator::Settings{.manifestURL = collaborators.manifestURL,
                                      .bundlePath = collaborators.bundlePath,
                                      .requestTimeout = settings.releaseRequestTimeout,
                                      .resourceTimeout = settings.releaseResourceTimeout,
                                      .downloadTimeout = settings.updateDownloadTimeout,
                                      .checkInterval = settings.updateCheckInterval,
                                      .relaunchDelay = settings.updateRelaunchDelay},
          m_platform, *m_messages,
          UpdateCoordinator::Hooks{.installedVersion = [this] { return installedVersionForReleaseChecks(); },
                                   .requestTermination = [this] { requestFullTermination(); }})),
      m_keepRunningInMenuBarWhenQuitting(m_preferences.keepRunningInMenuBarWhenQuitting()),
      m_showOnboarding(!m_preferences.didCompleteInitialSetup()),
      m_hasCompletedGuidedExperience(m_preferences.didCompleteGuidedExperience()),
      m_displayNameDraft(collaborators.computerName),
      m_onboardingDisplayNameDraft(collaborators.computerName) {
    connect(m_messages.get(), &ModelMessages::errorChanged, this, &CompanionAppModel::errorMessageChanged);
    connect(m_messages.get(), &ModelMessages::noticeChanged, this, &CompanionAppModel::noticeMessageChanged);
    connect(m_messages.get(), &ModelMessages::assigned, this, &CompanionAppModel::notifyStatusPresentation);
    connect(m_pairing.get(), &PairingArtifacts::linkChanged, this, &CompanionAppModel::pairingLinkChanged);
    connect(m_pairing.get(), &PairingArtifacts::qrCodeChanged, this,
            &CompanionAppModel::pairingQRCodeChanged);
    connect(m_pairing.get(), &PairingArtifacts::overlayPresentedChanged, this,
            &CompanionAppModel::isPairingOverlayPresentedChanged);
    connect(m_updates.get(), &UpdateCoordinator::releaseStatusChanged, this,
            &CompanionAppModel::releaseStatusChanged);
    connect(m_updates.get(), &UpdateCoordinator::installStateChanged, this,
            &CompanionAppModel::updateInstallStateChanged);
    connect(m_updates.get(), &UpdateCoordinator::assigned, this,
            &CompanionAppModel::notifyStatusPresentation);
    connect(m_updates.get(), &UpdateCoordinator::installedBeforeLaunch, this,
            &CompanionAppModel::updateInstalledBeforeLaunch);
    // A runtime that ended on its own shows as an error now, not at the next loop round.
    connect(&m_processController, &CompanionProcessController::ownedRuntimeExited, this, [this] {
        if (m_hasStarted && !m_hasShutdown) {
            startBackgroundTask(refreshInBackground(), lcModel(), "Refreshing after the runtime ended");
        }
    });
}

CompanionAppModel::~CompanionAppModel() {
    // Wake the refresh loop and fail every request in flight, so that no
    // coroutine is left waiting; each sees the model going and ends. The parts
    // stop their own loops and say nothing more through the model.
    m_tearingDown = true;
    for (QObject* part :
         std::initializer_list<QObject*>{m_messages.get(), m_pairing.get(), m_updates.get()}) {
        part->disconnect(this);
    }
    cancelTask(m_refreshLoopTask);
    m_services->api.abortAll();
    m_services->refreshAPI.abortAll();
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

// Observed state kept by the parts.

const std::optional<RuntimeSnapshot>& CompanionAppModel::runtime() const noexcept {
    return m_readings->runtime;
}
const std::optional<HealthSummary>& CompanionAppModel::health() const noexcept {
    return m_readings->health;
}
const QList<DiagnosticEvent>& CompanionAppModel::diagnostics() const noexcept {
    return m_readings->diagnostics;
}
const ResolvedReleaseStatus& CompanionAppModel::releaseStatus() const noexcept {
    return m_updates->releaseStatus();
}
const UpdateInstallState& CompanionAppModel::updateInstallState() const noexcept {
    return m_updates->installState();
}
const std::optional<PairingLinkPayload>& CompanionAppModel::pairingLink() const noexcept {
    return m_pairing->link();
}
const std::optional<QImage>& CompanionAppModel::pairingQRCode() const noexcept {
    return m_pairing->qrCode();
}
bool CompanionAppModel::isPairingOverlayPresented() const noexcept {
    return m_pairing->isOverlayPresented();
}
const std::optional<QString>& CompanionAppModel::errorMessage() const noexcept {
    return m_messages->error();
}
const std::optional<QString>& CompanionAppModel::noticeMessage() const noexcept {
    return m_messages->notice();
}

// Status properties: the presentation signal follows even when the value did not change.

void CompanionAppModel::setRuntime(std::optional<RuntimeSnapshot> runtime) {
    assign(m_readings->runtime, std::move(runtime), &CompanionAppModel::runtimeChanged, Notify::Always);
    notifyStatusPresentation();
}

void CompanionAppModel::setHealth(std::optional<HealthSummary> health) {
    assign(m_readings->health, std::move(health), &CompanionAppModel::healthChanged, Notify::Always);
    notifyStatusPresentation();
}

void CompanionAppModel::setErrorMessage(std::optional<QString> message) {
    m_messages->setError(std::move(message));
}

void CompanionAppModel::setNoticeMessage(std::optional<QString> message) {
    m_messages->setNotice(std::move(message));
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

// The other observed properties.

void CompanionAppModel::setDiagnostics(QList<DiagnosticEvent> diagnostics) {
    assign(m_readings->diagnostics, std::move(diagnostics), &CompanionAppModel::diagnosticsChanged,
           Notify::Always);
}

void CompanionAppModel::setLastUpdated(std::optional<QDateTime> time) {
    assign(m_lastUpdated, std::move(time), &CompanionAppModel::lastUpdatedChanged);
}

void CompanionAppModel::setLaunchAtLoginStatus(QString status) {
    assign(m_launchAtLoginStatus, std::move(status), &CompanionAppModel::launchAtLoginStatusChanged);
}

void CompanionAppModel::setPairingOverlayPresented(bool presented) {
    m_pairing->setOverlayPresented(presented);
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
    auto snapshotRequest = m_services->refreshAPI.runtime();
    auto healthRequest = valueOrNothing(m_services->refreshAPI.health(), "Health");
    auto diagnosticsRequest =
        valueOrNothing(m_services->refreshAPI.diagnostics(diagnosticsLimit), "Diagnostics");

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
        m_services->refreshAPI.abortAll();
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
    setHealth(health ? std::move(health) : m_readings->health);
    std::optional<QList<DiagnosticEvent>> diagnostics = co_await std::move(diagnosticsRequest);
    if (isGone(self)) {
        co_return;
    }
    setDiagnostics(diagnostics ? std::move(*diagnostics) : m_readings->diagnostics);
    setLastUpdated(QDateTime::currentDateTime());
    setErrorMessage(std::nullopt);
    if (!m_isEditingDisplayName) {
        setDisplayNameDraft(snapshot->identity.displayName);
    }
    if (m_showOnboarding) {
        setOnboardingErrorMessage(std::nullopt);
    }

    co_await m_pairing->refresh(snapshot->identity.pairing);
    if (isGone(self)) {
        co_return;
    }
    m_pairing->syncOverlay(snapshot->identity.pairing, m_hasCompletedGuidedExperience);

    co_await m_updates->refreshReleaseStatus();
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
    const auto interval = m_refreshInterval;
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
