#include "ui/notifications/CompanionNotifier.h"

#include "model/CompanionAppModel.h"
#include "model/UpdateInstallState.h"
#include "runtime/RuntimeSnapshot.h"
#include "system/NotificationPreferences.h"
#include "ui/notifications/DesktopNotifications.h"
#include "update/ResolvedReleaseStatus.h"

#include <QDateTime>

CompanionNotifier::CompanionNotifier(CompanionAppModel& model, NotificationPreferences& preferences,
                                     DesktopNotifications& notifications, QObject* parent)
    : QObject(parent), m_model(model), m_preferences(preferences), m_notifications(notifications),
      m_lastUpdatePhase(model.updateInstallState().phase) {
    connect(&model, &CompanionAppModel::runtimeChanged, this, &CompanionNotifier::handleRuntime);
    connect(&model, &CompanionAppModel::isRefreshingChanged, this, &CompanionNotifier::handleRefreshing);
    connect(&model, &CompanionAppModel::releaseStatusChanged, this, &CompanionNotifier::handleReleaseStatus);
    connect(&model, &CompanionAppModel::updateInstallStateChanged, this,
            &CompanionNotifier::handleUpdateInstallState);
    connect(&model, &CompanionAppModel::updateInstalledBeforeLaunch, this, [this](const QString& notice) {
        notify(NotificationKind::UpdateResult, tr("Update installed"), notice);
    });
    connect(&notifications, &DesktopNotifications::activated, this, &CompanionNotifier::handleActivated);
}

void CompanionNotifier::handleRuntime() {
    const std::optional<RuntimeSnapshot>& runtime = m_model.runtime();
    if (!runtime) {
        return;
    }
    // A snapshot arrives on every successful refresh (also an unchanged one).
    m_answeredDuringRefresh = true;
    m_hasAnswered = true;
    m_reportedUnreachable = false;
    const PairingStatePayload& pairing = runtime->identity.pairing;
    if (m_lastPairing && m_lastPairing->status == PairingStatus::Pending &&
        pairing.status != PairingStatus::Pending) {
        if (pairing.status == PairingStatus::Paired) {
            notify(NotificationKind::PairingApproved, tr("Pairing approved"),
                   tr("The companion is now paired with Vendrilo on Android."));
        } else if (m_lastPairing->expiresAt && *m_lastPairing->expiresAt <= QDateTime::currentDateTimeUtc()) {
            // Ended before its expiry, it was cancelled: nothing to tell.
            notify(NotificationKind::PairingExpired, tr("Pairing code expired"),
                   tr("Start pairing again to get a new code."));
        }
    }
    m_lastPairing = pairing;
}

void CompanionNotifier::handleRefreshing() {
    if (m_model.isRefreshing()) {
        m_answeredDuringRefresh = false;
        return;
    }
    // A refresh that ended without new data did not reach the runtime.
    if (m_answeredDuringRefresh || !m_hasAnswered || m_reportedUnreachable) {
        return;
    }
    m_reportedUnreachable = true;
    notify(NotificationKind::RuntimeStoppedAnswering, tr("Companion runtime stopped answering"),
           m_model.errorMessage().value_or(tr("Vendrilo Connect keeps trying to reach it.")));
}

void CompanionNotifier::handleReleaseStatus() {
    const ResolvedReleaseStatus& release = m_model.releaseStatus();
    const QString version = release.latestVersion.trimmed();
    if ((!release.updateAvailable && !release.updateRequired) || version.isEmpty() ||
        m_announcedVersions.contains(version)) {
        return;
    }
    m_announcedVersions.insert(version);
    notify(NotificationKind::UpdateAvailable, tr("Update available"),
           UpdateInstallState::readyToInstall(release));
}

void CompanionNotifier::handleUpdateInstallState() {
    const UpdateInstallState& state = m_model.updateInstallState();
    const UpdateInstallState::Phase previous = std::exchange(m_lastUpdatePhase, state.phase);
    // A failed check is not a failed update.
    if (state.phase == UpdateInstallState::Phase::Failed && previous != UpdateInstallState::Phase::Checking) {
        notify(NotificationKind::UpdateResult, tr("Update failed"), state.message);
    }
}

void CompanionNotifier::handleActivated(NotificationKind kind) {
    switch (kind) {
    case NotificationKind::PairingApproved:
    case NotificationKind::PairingExpired:
    case NotificationKind::RuntimeStoppedAnswering:
        Q_EMIT openDashboardRequested();
        return;
    case NotificationKind::UpdateAvailable:
    case NotificationKind::UpdateResult:
        Q_EMIT openSettingsRequested();
        return;
    }
}

void CompanionNotifier::notify(NotificationKind kind, const QString& summary, const QString& body) {
    if (m_preferences.isEnabled(kind)) {
        m_notifications.show(kind, summary, body);
    }
}
