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
