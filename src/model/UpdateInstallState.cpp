#include "model/UpdateInstallState.h"

#include <QCoreApplication>

QString UpdateInstallState::readyToInstall(const ResolvedReleaseStatus& release) {
    const QString latest = release.latestVersion.trimmed();
    return QCoreApplication::translate("UpdateInstallState", "Vendrilo Connect %1 is ready to install.")
        .arg(latest.isEmpty() ? QCoreApplication::translate("UpdateInstallState", "the latest build")
                              : latest);
}

QString UpdateInstallState::summary(const ResolvedReleaseStatus& release) const {
    switch (phase) {
    case Phase::Idle:
        if (release.updateRequired) {
            return QCoreApplication::translate("UpdateInstallState", "Update required");
        }
        return release.updateAvailable ? QCoreApplication::translate("UpdateInstallState", "Update available")
                                       : QCoreApplication::translate("UpdateInstallState", "Up to date");
    case Phase::Checking:
        return QCoreApplication::translate("UpdateInstallState", "Checking…");
    case Phase::Downloading:
        return QCoreApplication::translate("UpdateInstallState", "Downloading update");
    case Phase::Installing:
    case Phase::Relaunching:
        return QCoreApplication::translate("UpdateInstallState", "Installing update");
    case Phase::Failed:
        return QCoreApplication::translate("UpdateInstallState", "Update failed");
    }
    Q_UNREACHABLE();
    return QString();
}

QString UpdateInstallState::actionLabel(const ResolvedReleaseStatus& release) const {
    const bool offered = release.updateAvailable || release.updateRequired;
    switch (phase) {
    case Phase::Idle:
        if (release.updateRequired) {
            return QCoreApplication::translate("UpdateInstallState", "Update Required…");
        }
        return release.updateAvailable
                   ? QCoreApplication::translate("UpdateInstallState", "Update Now…")
                   : QCoreApplication::translate("UpdateInstallState", "Check for Updates…");
    case Phase::Checking:
        return QCoreApplication::translate("UpdateInstallState", "Checking for Updates…");
    case Phase::Downloading:
        return QCoreApplication::translate("UpdateInstallState", "Downloading %1…").arg(version);
    case Phase::Installing:
        return QCoreApplication::translate("UpdateInstallState", "Installing %1…").arg(version);
    case Phase::Relaunching:
        return QCoreApplication::translate("UpdateInstallState", "Relaunching %1…").arg(version);
    case Phase::Failed:
        return offered ? QCoreApplication::translate("UpdateInstallState", "Retry Update…")
                       : QCoreApplication::translate("UpdateInstallState", "Check for Updates…");
    }
    Q_UNREACHABLE();
    return QString();
}

QString UpdateInstallState::statusDetail(const ResolvedReleaseStatus& release) const {
    switch (phase) {
    case Phase::Idle:
        if (release.updateAvailable || release.updateRequired) {
            return readyToInstall(release);
        }
        return QCoreApplication::translate("UpdateInstallState", "This Mac companion is up to date.");
    case Phase::Checking:
        return QCoreApplication::translate("UpdateInstallState",
                                           "Checking the Vendrilo release feed for a newer macOS build.");
    case Phase::Downloading:
        return QCoreApplication::translate("UpdateInstallState", "Downloading Vendrilo Connect %1.")
            .arg(version);
    case Phase::Installing:
        return QCoreApplication::translate("UpdateInstallState",
                                           "Preparing Vendrilo Connect %1 for installation.")
            .arg(version);
    case Phase::Relaunching:
        return QCoreApplication::translate("UpdateInstallState",
                                           "Finishing installation of Vendrilo Connect %1.")
            .arg(version);
    case Phase::Failed: {
        const QString trimmed = message.trimmed();
        return trimmed.isEmpty() ? QCoreApplication::translate("UpdateInstallState",
                                                               "The last update attempt did not complete.")
                                 : trimmed;
    }
    }
    Q_UNREACHABLE();
    return QString();
}

bool UpdateInstallState::showsMenuBarIndicator(const ResolvedReleaseStatus& release) const {
    return release.updateAvailable || release.updateRequired || isInstalling();
}
