// What the model shows and does through its parts: status presentation and updates.
#include "model/CompanionAppModel.h"
#include "model/ModelMessages.h"
#include "model/RuntimeReadings.h"
#include "model/StatusPresentation.h"
#include "model/UpdateCoordinator.h"

StatusPresentation CompanionAppModel::statusPresentation() const {
    return StatusPresentation(StatusFacts{.runtime = m_readings->runtime,
                                          .health = m_readings->health,
                                          .errorMessage = m_messages->error(),
                                          .noticeMessage = m_messages->notice()});
}

QString CompanionAppModel::quickStatusTitle() const {
    return statusPresentation().quickStatusTitle();
}
StatusTint CompanionAppModel::healthTint() const {
    return statusPresentation().healthTint();
}
StatusTint CompanionAppModel::menuBarStatusTint() const {
    return statusPresentation().menuBarStatusTint();
}
QString CompanionAppModel::dashboardSummaryText() const {
    return statusPresentation().dashboardSummaryText();
}
QString CompanionAppModel::connectionModeLabel() const {
    return statusPresentation().connectionModeLabel();
}
StatusTint CompanionAppModel::connectionModeTint() const {
    return statusPresentation().connectionModeTint();
}
QString CompanionAppModel::connectionModeDescription() const {
    return statusPresentation().connectionModeDescription();
}
QString CompanionAppModel::relayStatusLabel() const {
    return statusPresentation().relayStatusLabel();
}
StatusTint CompanionAppModel::relayStatusTint() const {
    return statusPresentation().relayStatusTint();
}
QString CompanionAppModel::relayStatusDescription() const {
    return statusPresentation().relayStatusDescription();
}
std::optional<QString> CompanionAppModel::relayStatusDetail() const {
    return statusPresentation().relayStatusDetail();
}
QString CompanionAppModel::localAccessLabel() const {
    return statusPresentation().localAccessLabel();
}
StatusTint CompanionAppModel::localAccessTint() const {
    return statusPresentation().localAccessTint();
}
QString CompanionAppModel::localAccessDescription() const {
    return statusPresentation().localAccessDescription();
}
std::optional<QString> CompanionAppModel::localAccessDetail() const {
    return statusPresentation().localAccessDetail();
}
QString CompanionAppModel::pairingStatusLabel() const {
    return statusPresentation().pairingStatusLabel();
}
StatusTint CompanionAppModel::pairingStatusTint() const {
    return statusPresentation().pairingStatusTint();
}
QString CompanionAppModel::pairingStatusDescription() const {
    return statusPresentation().pairingStatusDescription();
}
std::optional<QString> CompanionAppModel::pairingStatusDetail() const {
    return statusPresentation().pairingStatusDetail();
}

QString CompanionAppModel::installedVersionForReleaseChecks() const {
    if (m_readings->runtime) {
        const QString agentVersion = m_readings->runtime->identity.agentVersion.trimmed();
        if (!agentVersion.isEmpty()) {
            return agentVersion;
        }
    }
    return m_applicationVersion;
}
void CompanionAppModel::checkForUpdates() {
    m_updates->checkForUpdates();
}
QCoro::Task<> CompanionAppModel::runUpdateCheck(bool manual) {
    return m_updates->runUpdateCheck(manual);
}
void CompanionAppModel::openUpdateAction() {
    m_updates->openUpdateAction();
}
QCoro::Task<> CompanionAppModel::installUpdate(QUrl from, QString version, QString expectedSHA256) {
    return m_updates->installUpdate(std::move(from), std::move(version), std::move(expectedSHA256));
}
QString CompanionAppModel::updateSummary() const {
    return updateInstallState().summary(releaseStatus());
}
QString CompanionAppModel::updateActionLabel() const {
    return updateInstallState().actionLabel(releaseStatus());
}
QString CompanionAppModel::updateStatusDetail() const {
    return updateInstallState().statusDetail(releaseStatus());
}
bool CompanionAppModel::showsMenuBarUpdateIndicator() const {
    return updateInstallState().showsMenuBarIndicator(releaseStatus());
}
