#pragma once

#include "model/ClientDraft.h"
#include "model/DashboardSection.h"
#include "model/StatusTint.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CompanionProcessController;
class QImage;
class CompanionPreferences;
class ModelMessages;
class PairingArtifacts;
class PlatformServices;
class RefreshRound;
class SleepCanceller;
class StatusPresentation;
class UpdateCoordinator;
struct DiagnosticEvent;
struct HealthSummary;
struct ModelServices;
struct PairingLinkPayload;
struct ResolvedReleaseStatus;
struct RuntimeReadings;
struct RuntimeSnapshot;
struct UpdateInstallState;

// The one model behind every window, the tray icon and the command menu: it
// holds what the runtime last reported, the messages shown to the user and the
// setup state, and every user action is one of its methods. Lives on the main
// thread; its waits are awaited, never blocking.
//
// Each observed property has a change signal. Comparable properties stay silent
// when assigned an equal value; runtime, health, diagnostics, releaseStatus,
// pairingLink and pairingQRCode signal on every assignment.
// statusPresentationDidChange follows every assignment of the status
// properties, changed or not.
//
// Its concerns are owned parts the windows never see: ModelMessages (error and
// notice), PairingArtifacts (link, QR code, popup), UpdateCoordinator (release
// checks and self-update) and StatusPresentation (status words and tints as a
// pure function of state). Constructing it needs CompanionAppModelSetup.h;
// showing it needs only this header and the types a view shows.
class CompanionAppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY
                   errorMessageChanged)
    Q_PROPERTY(std::optional<QString> noticeMessage READ noticeMessage WRITE setNoticeMessage NOTIFY
                   noticeMessageChanged)
    Q_PROPERTY(std::optional<QDateTime> lastUpdated READ lastUpdated NOTIFY lastUpdatedChanged)
    Q_PROPERTY(bool launchAtLoginEnabled READ launchAtLoginEnabled WRITE setLaunchAtLogin NOTIFY
                   launchAtLoginEnabledChanged)
    Q_PROPERTY(bool keepRunningInMenuBarWhenQuitting READ keepRunningInMenuBarWhenQuitting WRITE
                   setKeepRunningInMenuBarWhenQuitting NOTIFY keepRunningInMenuBarWhenQuittingChanged)
    Q_PROPERTY(QString launchAtLoginStatus READ launchAtLoginStatus NOTIFY launchAtLoginStatusChanged)
    Q_PROPERTY(DashboardSection selectedSection READ selectedSection WRITE setSelectedSection NOTIFY
                   selectedSectionChanged)
    Q_PROPERTY(bool showOnboarding READ showOnboarding NOTIFY showOnboardingChanged)
    Q_PROPERTY(bool hasCompletedGuidedExperience READ hasCompletedGuidedExperience NOTIFY
                   hasCompletedGuidedExperienceChanged)
    Q_PROPERTY(QString displayNameDraft READ displayNameDraft WRITE setDisplayNameDraft NOTIFY
                   displayNameDraftChanged)
    Q_PROPERTY(QString onboardingDisplayNameDraft READ onboardingDisplayNameDraft WRITE
                   setOnboardingDisplayNameDraft NOTIFY onboardingDisplayNameDraftChanged)
    Q_PROPERTY(bool onboardingLaunchAtLoginEnabled READ onboardingLaunchAtLoginEnabled WRITE
                   setOnboardingLaunchAtLoginEnabled NOTIFY onboardingLaunchAtLoginEnabledChanged)
    Q_PROPERTY(std::optional<QString> onboardingErrorMessage READ onboardingErrorMessage NOTIFY
                   onboardingErrorMessageChanged)
    Q_PROPERTY(bool isPairingOverlayPresented READ isPairingOverlayPresented WRITE setPairingOverlayPresented
                   NOTIFY isPairingOverlayPresentedChanged)
    Q_PROPERTY(bool isCompletingOnboarding READ isCompletingOnboarding NOTIFY isCompletingOnboardingChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY isBusyChanged)
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY isRefreshingChanged)
    Q_PROPERTY(QString quickStatusTitle READ quickStatusTitle NOTIFY statusPresentationDidChange)
    Q_PROPERTY(StatusTint menuBarStatusTint READ menuBarStatusTint NOTIFY statusPresentationDidChange)
    Q_PROPERTY(StatusTint healthTint READ healthTint NOTIFY statusPresentationDidChange)
    Q_PROPERTY(
        bool showsMenuBarUpdateIndicator READ showsMenuBarUpdateIndicator NOTIFY statusPresentationDidChange)
public:
    // Defined in CompanionAppModelSetup.h.
    struct Settings;
    struct Collaborators;

    static constexpr int diagnosticsLimit = 20;

    explicit CompanionAppModel(Collaborators collaborators, QObject* parent = nullptr);
    CompanionAppModel(Collaborators collaborators, Settings settings, QObject* parent = nullptr);
    ~CompanionAppModel() override;

    // Observed state.
    const std::optional<RuntimeSnapshot>& runtime() const noexcept;
    const std::optional<HealthSummary>& health() const noexcept;
    const QList<DiagnosticEvent>& diagnostics() const noexcept;
    const ResolvedReleaseStatus& releaseStatus() const noexcept;
    const std::optional<PairingLinkPayload>& pairingLink() const noexcept;
    const std::optional<QImage>& pairingQRCode() const noexcept;
    const std::optional<QString>& errorMessage() const noexcept;
    const std::optional<QString>& noticeMessage() const noexcept;
    const std::optional<QDateTime>& lastUpdated() const noexcept { return m_lastUpdated; }
    bool launchAtLoginEnabled() const noexcept { return m_launchAtLoginEnabled; }
    bool keepRunningInMenuBarWhenQuitting() const noexcept { return m_keepRunningInMenuBarWhenQuitting; }
    const QString& launchAtLoginStatus() const noexcept { return m_launchAtLoginStatus; }
    const std::optional<ClientDraft>& clientDraft() const noexcept { return m_clientDraft; }
    DashboardSection selectedSection() const noexcept { return m_selectedSection; }
    bool showOnboarding() const noexcept { return m_showOnboarding; }
    bool hasCompletedGuidedExperience() const noexcept { return m_hasCompletedGuidedExperience; }
    const QString& displayNameDraft() const noexcept { return m_displayNameDraft; }
    const QString& onboardingDisplayNameDraft() const noexcept { return m_onboardingDisplayNameDraft; }
    bool onboardingLaunchAtLoginEnabled() const noexcept { return m_onboardingLaunchAtLoginEnabled; }
    const std::optional<QString>& onboardingErrorMessage() const noexcept { return m_onboardingErrorMessage; }
    bool isPairingOverlayPresented() const noexcept;
    bool isCompletingOnboarding() const noexcept { return m_isCompletingOnboarding; }
    bool isBusy() const noexcept { return m_isBusy; }
    bool isRefreshing() const noexcept { return m_isRefreshing; }
    const UpdateInstallState& updateInstallState() const noexcept;

    // Assigned by views and operations alike; assigning a notice (re)arms its
    // dismissal.
    void setErrorMessage(std::optional<QString> message);
    void setNoticeMessage(std::optional<QString> message);
    // Assigned by the windows.
    void setClientDraft(std::optional<ClientDraft> draft);
    void setSelectedSection(DashboardSection section);
    void setDisplayNameDraft(QString name);
    void setOnboardingDisplayNameDraft(QString name);
    void setOnboardingLaunchAtLoginEnabled(bool enabled);
    void setPairingOverlayPresented(bool presented);
    // The user started editing the settings name field: refreshes leave
    // displayNameDraft alone until saveDisplayName() or the edit ends.
    void beginEditingDisplayName();
    // The field lost focus: the typed text stays until the next refresh.
    void endEditingDisplayName();
    // The edit was cancelled: the draft shows the runtime's name again now.
    void cancelEditingDisplayName();
    bool isEditingDisplayName() const noexcept { return m_isEditingDisplayName; }
    // How requestFullTermination() quits; without one it asks the application to
    // quit.
    void setFullTerminationHandler(std::function<void()> handler);

    // State and refresh.
    // Reads the runtime's snapshot, health and diagnostics; throws the snapshot's
    // failure. One refresh runs at a time: asked for while one runs, it waits for
    // it and then runs once for everyone who asked meanwhile.
    QCoro::Task<> refresh(bool showErrors);
    QCoro::Task<> refreshFromToolbar();
    void scheduleRefreshLoop();
    // Busy on, messages cleared, the operation awaited, its failure shown, busy
    // off.
    QCoro::Task<> performBusyAction(QString failureMessage, std::function<QCoro::Task<>()> operation);

    // Start-up and shutdown.
    void startIfNeeded();
    QCoro::Task<> bootstrap();
    QCoro::Task<> restartCompanion();
    QCoro::Task<> shutdown();
    void requestFullTermination();
    void revealLogs();
    void revealDataDirectory();
    // The folder of downloaded updates, created first (nothing may have been downloaded yet).
    void revealUpdatesDirectory();
    // The runtime's own status page in the default browser.
    void openBrowserDashboard();
    const QString& applicationVersion() const noexcept { return m_applicationVersion; }

    // Pairing.
    bool isPaired() const;
    bool isPairingPending() const;
    QCoro::Task<> beginPairing();
    QCoro::Task<> cancelPairing();
    QCoro::Task<> resetPairing();
    void presentPairingOverlay();
    void copyPairingCode();
    void copyPairingLink();
    void openPairingLink();

    // Torrent clients: the snapshot's clients by label (locale-aware,
    // case-insensitive, stable).
    QList<ClientConfig> currentClients() const;
    // A failed save keeps clientDraft, so the editor stays open with the input.
    QCoro::Task<> saveClientDraft(ClientDraft draft);
    QCoro::Task<> deleteClient(ClientConfig client);
    QCoro::Task<> probeClient(ClientConfig client);
    QCoro::Task<> probeAllClients();

    // Status presentation, computed on every read; what the tray observes is
    // also a property.
    StatusPresentation statusPresentation() const;
    QString quickStatusTitle() const;
    StatusTint healthTint() const;
    StatusTint menuBarStatusTint() const;

    // Guided setup and preferences.
    int completedSteps() const;
    QString settingsDisplayNamePreview() const;
    // Failures land in onboardingErrorMessage; the user stays on the guide step.
    QCoro::Task<> completeOnboarding();
    void finishGuidedExperience();
    void goToPreviousStep();
    QCoro::Task<> saveDisplayName();
    // The login item is one small file: changing it does not wait.
    void setLaunchAtLogin(bool enabled);
    void setKeepRunningInMenuBarWhenQuitting(bool keepRunning);

    // Updates.
    QString installedVersionForReleaseChecks() const;
    void checkForUpdates();
    QCoro::Task<> runUpdateCheck(bool manual);
    // The primary update button: install, check, or open the update page.
    void openUpdateAction();
    // Ends by quitting the application for the installer. expectedSHA256 is the
    // digest the feed published for the image; empty when it gave none.
    QCoro::Task<> installUpdate(QUrl from, QString version, QString expectedSHA256 = {});
    QString updateSummary() const;
    QString updateActionLabel() const;
    QString updateStatusDetail() const;
    bool showsMenuBarUpdateIndicator() const;

Q_SIGNALS:
    // After every assignment of a status property, changed or not: the tray
    // icon redraws itself and rebuilds its menu.
    void statusPresentationDidChange();
    void runtimeChanged();
    void healthChanged();
    void diagnosticsChanged();
    void releaseStatusChanged();
    void pairingLinkChanged();
    void pairingQRCodeChanged();
    void errorMessageChanged();
    void noticeMessageChanged();
    void lastUpdatedChanged();
    void launchAtLoginEnabledChanged();
    void keepRunningInMenuBarWhenQuittingChanged();
    void launchAtLoginStatusChanged();
    void clientDraftChanged();
    void selectedSectionChanged();
    void showOnboardingChanged();
    void hasCompletedGuidedExperienceChanged();
    void displayNameDraftChanged();
    void onboardingDisplayNameDraftChanged();
    void onboardingLaunchAtLoginEnabledChanged();
    void onboardingErrorMessageChanged();
    void isPairingOverlayPresentedChanged();
    void isCompletingOnboardingChanged();
    void isBusyChanged();
    void isRefreshingChanged();
    void updateInstallStateChanged();
    // At start-up: the update installed before this launch, in the words of its notice.
    void updateInstalledBeforeLaunch(const QString& notice);

private:
    enum class Notify { WhenChanged, Always };
    using ChangeSignal = void (CompanionAppModel::*)();
    // A cancellable background task: cancelling wakes its sleep and tells it to
    // end.
    using TaskHandle = std::shared_ptr<SleepCanceller>;

    // The one place the notification rule lives.
    template <typename T>
    void assign(T& field, T value, ChangeSignal changed, Notify notify = Notify::WhenChanged) {
        const bool notifies = notify == Notify::Always || !(field == value);
        field = std::move(value);
        if (notifies) {
            Q_EMIT(this->*changed)();
        }
    }
    void notifyStatusPresentation();
    // Coroutines check this after every suspension: the model may be gone or
    // going.
    static bool isGone(const QPointer<CompanionAppModel>& self) { return !self || self->m_tearingDown; }
    static void cancelTask(TaskHandle& task);

    void setRuntime(std::optional<RuntimeSnapshot> runtime);
    void setHealth(std::optional<HealthSummary> health);
    void setDiagnostics(QList<DiagnosticEvent> diagnostics);
    void setLastUpdated(std::optional<QDateTime> time);
    void setLaunchAtLoginEnabled(bool enabled);
    // Writes the preference first.
    void storeKeepRunningInMenuBarWhenQuitting(bool keepRunning);
    void setLaunchAtLoginStatus(QString status);
    void setShowOnboarding(bool show);
    void setHasCompletedGuidedExperience(bool completed);
    void setOnboardingErrorMessage(std::optional<QString> message);
    void setCompletingOnboarding(bool completing);
    // isBusy holds while any user action or the start-up runs.
    void beginBusy();
    void endBusy();
    void setRefreshing(bool refreshing);

    // Runs the given round, then the rounds queued behind it.
    QCoro::Task<> runRefreshRounds(std::shared_ptr<RefreshRound> round);
    QCoro::Task<> applyRefresh(bool showErrors);
    // A refresh nobody waits for (the loop, the runtime ending): its failure is shown.
    QCoro::Task<> refreshInBackground();
    QCoro::Task<> runRefreshLoop(TaskHandle task);

    // Later steps of the refresh and the start-up (clients, onboarding).
    QCoro::Task<> prepareLocalNetworkAccessIfNeeded(QList<ClientConfig> clients);
    QCoro::Task<> prepareLocalNetworkAccessIfNeeded(ClientDraft draft);
    // Start-up and the toolbar refresh: make sure the runtime answers, read it,
    // then warm local-network access for the configured clients.
    QCoro::Task<> ensureRunningAndRefresh();
    // Stop, start and refresh: also how a runtime started before local-network
    // access was granted gets to reach LAN clients.
    QCoro::Task<> restartRuntimeAndRefresh();
    void refreshLaunchAtLoginState();
    DashboardSection targetSection() const;
    void seedOnboardingStateIfNeeded(const RuntimeSnapshot& snapshot);
    void seedGuidedExperienceIfNeeded(const RuntimeSnapshot& snapshot);
    void reconcileSelectedSection();

    // Collaborators and owned parts; the parts signal through the model.
    CompanionProcessController& m_processController;
    PlatformServices& m_platform;
    CompanionPreferences& m_preferences;
    const QString m_applicationVersion;
    const std::chrono::milliseconds m_refreshInterval;
    std::unique_ptr<ModelServices> m_services;
    std::unique_ptr<RuntimeReadings> m_readings;
    std::unique_ptr<ModelMessages> m_messages;
    std::unique_ptr<PairingArtifacts> m_pairing;
    std::unique_ptr<UpdateCoordinator> m_updates;

    // Observed state.
    std::optional<QDateTime> m_lastUpdated;
    bool m_launchAtLoginEnabled = false;
    bool m_keepRunningInMenuBarWhenQuitting = true;
    QString m_launchAtLoginStatus;
    std::optional<ClientDraft> m_clientDraft;
    DashboardSection m_selectedSection = DashboardSection::Guide;
    bool m_showOnboarding = true;
    bool m_hasCompletedGuidedExperience = false;
    QString m_displayNameDraft;
    QString m_onboardingDisplayNameDraft;
    bool m_onboardingLaunchAtLoginEnabled = false;
    std::optional<QString> m_onboardingErrorMessage;
    bool m_isCompletingOnboarding = false;
    bool m_isBusy = false;
    bool m_isRefreshing = false;

    // Bookkeeping.
    int m_busyCount = 0;
    bool m_refreshRunning = false;
    std::shared_ptr<RefreshRound> m_nextRefresh;
    TaskHandle m_refreshLoopTask;
    bool m_hasStarted = false;
    bool m_hasSeededOnboardingState = false;
    bool m_hasInitializedSection = false;
    bool m_isEditingDisplayName = false;
    bool m_hasShutdown = false;
    bool m_tearingDown = false;
    std::function<void()> m_fullTerminationHandler;
};
