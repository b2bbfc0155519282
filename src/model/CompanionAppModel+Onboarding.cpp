#include "common/UserFacingError.h"
#include "model/CompanionAppModel.h"
#include "model/CompanionPreferences.h"
#include "model/ModelServices.h"
#include "model/RuntimeReadings.h"
#include "supervision/CompanionProcessController.h"
#include "system/LaunchAtLoginManager.h"

DashboardSection CompanionAppModel::targetSection() const {
    if (m_showOnboarding) {
        return DashboardSection::Guide;
    }
    if (isPairingPending()) {
        return DashboardSection::Pairing;
    }
    if (isPaired()) {
        return currentClients().isEmpty() ? DashboardSection::Clients : DashboardSection::Ready;
    }
    return DashboardSection::Pairing;
}

void CompanionAppModel::reconcileSelectedSection() {
    if (!m_hasInitializedSection) {
        if (!m_hasCompletedGuidedExperience) {
            setSelectedSection(targetSection());
        }
        m_hasInitializedSection = true;
        return;
    }
    if (m_hasCompletedGuidedExperience) {
        return;
    }
    // Follow the runtime forward out of the guide and back when the pairing is
    // lost, but never pull the user away from a step they chose.
    const DashboardSection target = targetSection();
    switch (m_selectedSection) {
    case DashboardSection::Guide:
        if (!m_showOnboarding) {
            setSelectedSection(target);
        }
        break;
    case DashboardSection::Pairing:
        break;
    case DashboardSection::Clients:
        if (target == DashboardSection::Pairing) {
            setSelectedSection(target);
        }
        break;
    case DashboardSection::Ready:
        setSelectedSection(target);
        break;
    }
}

void CompanionAppModel::seedOnboardingStateIfNeeded(const RuntimeSnapshot& snapshot) {
    if (!m_showOnboarding || m_hasSeededOnboardingState) {
        return;
    }
    // The runtime names itself after the host until someone picks a name; the
    // friendly computer name is the better suggestion.
    const QString& reported = snapshot.identity.displayName;
    setOnboardingDisplayNameDraft(m_services->deviceName.shouldPreferComputerName(reported)
                                      ? m_services->deviceName.computerName()
                                      : reported);
    setOnboardingLaunchAtLoginEnabled(m_launchAtLoginEnabled);
    m_hasSeededOnboardingState = true;
}

// Installations that finished setup before the guided flow existed skip it,
// once: a stored value of either kind means the question was settled.
void CompanionAppModel::seedGuidedExperienceIfNeeded(const RuntimeSnapshot& snapshot) {
    if (m_preferences.hasValue(CompanionPreferences::didCompleteGuidedExperienceKey) || m_showOnboarding ||
        snapshot.identity.pairing.status != PairingStatus::Paired || snapshot.clients.isEmpty()) {
        return;
    }
    setHasCompletedGuidedExperience(true);
    m_preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, true);
}

QCoro::Task<> CompanionAppModel::completeOnboarding() {
    const QString name = m_onboardingDisplayNameDraft.trimmed();
    if (name.isEmpty()) {
        setOnboardingErrorMessage(tr("Enter a companion name before continuing."));
        co_return;
    }
    const QPointer<CompanionAppModel> self(this);
    setCompletingOnboarding(true);
    setOnboardingErrorMessage(std::nullopt);
    setErrorMessage(std::nullopt);

    std::optional<QString> failure;
    try {
        if (!runtime()) {
            co_await m_processController.ensureRunning(m_applicationVersion);
        }
        if (isGone(self)) {
            co_return;
        }
        if (!runtime() || runtime()->identity.displayName != name) {
            co_await m_services->api.updateDisplayName(name);
        }
        if (isGone(self)) {
            co_return;
        }
        if (m_onboardingLaunchAtLoginEnabled != m_launchAtLoginEnabled) {
            m_services->launchAtLogin.setEnabled(m_onboardingLaunchAtLoginEnabled);
            refreshLaunchAtLoginState();
        }
        co_await refresh(true);
    } catch (const std::exception& error) {
        failure = describeError(error);
    }
    if (isGone(self)) {
        co_return;
    }
    if (failure) {
        // The user stays on the guide step and sees the failure there.
        setOnboardingErrorMessage(*failure);
        refreshLaunchAtLoginState();
        setCompletingOnboarding(false);
        co_return;
    }

    setDisplayNameDraft(name);
    setShowOnboarding(false);
    setSelectedSection(targetSection());
    m_hasInitializedSection = true;
    m_preferences.setBool(CompanionPreferences::didCompleteInitialSetupKey, true);
    setNoticeMessage(tr("Setup saved. You can pair this Mac from Vendrilo on Android now."));
    setCompletingOnboarding(false);
}

void CompanionAppModel::finishGuidedExperience() {
    setHasCompletedGuidedExperience(true);
    m_preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, true);
    setSelectedSection(DashboardSection::Guide);
    setNoticeMessage(tr("Vendrilo Connect is ready."));
}

void CompanionAppModel::goToPreviousStep() {
    const QList<DashboardSection>& steps = allDashboardSections();
    const qsizetype index = steps.indexOf(m_selectedSection);
    if (index > 0) {
        setSelectedSection(steps.at(index - 1));
    }
}

int CompanionAppModel::completedSteps() const {
    const bool hasClients = !currentClients().isEmpty();
    int steps = 0;
    steps += m_showOnboarding ? 0 : 1;
    steps += isPaired() ? 1 : 0;
    steps += hasClients ? 1 : 0;
    steps += (!m_showOnboarding && !isPairingPending() && isPaired() && hasClients) ? 1 : 0;
    return steps;
}

QString CompanionAppModel::settingsDisplayNamePreview() const {
    const QString name = m_displayNameDraft.trimmed();
    return name.isEmpty() ? tr("This Mac") : name;
}

void CompanionAppModel::beginEditingDisplayName() {
    m_isEditingDisplayName = true;
}

void CompanionAppModel::endEditingDisplayName() {
    m_isEditingDisplayName = false;
}

void CompanionAppModel::cancelEditingDisplayName() {
    m_isEditingDisplayName = false;
    if (runtime()) {
        setDisplayNameDraft(runtime()->identity.displayName);
    }
}

QCoro::Task<> CompanionAppModel::saveDisplayName() {
    const QString name = m_displayNameDraft.trimmed();
    if (name.isEmpty()) {
        setErrorMessage(tr("Enter a companion name before saving."));
        co_return;
    }
    m_isEditingDisplayName = false;
    // Started outside the co_await: GCC 12 destroys a lambda temporary in a
    // co_await expression twice.
    QCoro::Task<> action =
        performBusyAction(tr("Could not update the companion name."), [this, name]() -> QCoro::Task<> {
            const QPointer<CompanionAppModel> self(this);
            co_await m_services->api.updateDisplayName(name);
            if (isGone(self)) {
                co_return;
            }
            co_await refresh(true);
            if (isGone(self)) {
                co_return;
            }
            setNoticeMessage(tr("Companion name updated."));
        });
    co_await std::move(action);
}

void CompanionAppModel::refreshLaunchAtLoginState() {
    const LaunchAtLoginStatus status = m_services->launchAtLogin.status();
    setLaunchAtLoginEnabled(isLaunchAtLoginEnabled(status));
    setLaunchAtLoginStatus(launchAtLoginStatusText(status));
}

void CompanionAppModel::setLaunchAtLogin(bool enabled) {
    try {
        m_services->launchAtLogin.setEnabled(enabled);
    } catch (const std::exception& error) {
        setErrorMessage(describeError(error));
        // The switch shows what the system reports, not what was asked for.
        refreshLaunchAtLoginState();
        return;
    }
    refreshLaunchAtLoginState();
    setNoticeMessage(enabled ? tr("Vendrilo Connect will launch when you log in.")
                             : tr("Vendrilo Connect will stay manual."));
}

void CompanionAppModel::setKeepRunningInMenuBarWhenQuitting(bool keepRunning) {
    if (keepRunning == m_keepRunningInMenuBarWhenQuitting) {
        return;
    }
    storeKeepRunningInMenuBarWhenQuitting(keepRunning);
    setNoticeMessage(keepRunning
                         ? tr("Cmd+Q will close the windows and keep Vendrilo Connect in the menu bar.")
                         : tr("Cmd+Q will fully quit Vendrilo Connect."));
}
