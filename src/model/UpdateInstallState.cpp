#include "model/UpdateInstallState.h"

QString UpdateInstallState::readyToInstall(const ResolvedReleaseStatus& release) {
    const QString latest = release.latestVersion.trimmed();
    return QStringLiteral("Vendrilo Connect %1 is ready to install.")
        .arg(latest.isEmpty() ? QStringLiteral("the latest build") : latest);
}

QString UpdateInstallState::summary(const ResolvedReleaseStatus& release) const {
    switch (phase) {
    case Phase::Idle:
        if (release.updateRequired) {
            return QStringLiteral("Update required");
        }
        return release.updateAvailable ? QStringLiteral("Update available") : QStringLiteral("Up to date");
    case Phase::Checking:
        return QStringLiteral("Checking…");
    case Phase::Downloading:
        return QStringLiteral("Downloading update");
    case Phase::Installing:
    case Phase::Relaunching:
        return QStringLiteral("Installing update");
    case Phase::Failed:
        return QStringLiteral("Update failed");
    }
    Q_UNREACHABLE();
    return QString();
}

QString UpdateInstallState::actionLabel(const ResolvedReleaseStatus& release) const {
    const bool offered = release.updateAvailable || release.updateRequired;
    switch (phase) {
    case Phase::Idle:
        if (release.updateRequired) {
            return QStringLiteral("Update Required…");
        }
        return release.updateAvailable ? QStringLiteral("Update Now…") : QStringLiteral("Check for Updates…");
    case Phase::Checking:
        return QStringLiteral("Checking for Updates…");
    case Phase::Downloading:
        return QStringLiteral("Downloading %1…").arg(version);
    case Phase::Installing:
        return QStringLiteral("Installing %1…").arg(version);
    case Phase::Relaunching:
        return QStringLiteral("Relaunching %1…").arg(version);
    case Phase::Failed:
        return offered ? QStringLiteral("Retry Update…") : QStringLiteral("Check for Updates…");
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
        return QStringLiteral("This Mac companion is up to date.");
    case Phase::Checking:
        return QStringLiteral("Checking the Vendrilo release feed for a newer macOS build.");
    case Phase::Downloading:
        return QStringLiteral("Downloading Vendrilo Connect %1.").arg(version);
    case Phase::Installing:
        return QStringLiteral("Preparing Vendrilo Connect %1 for installation.").arg(version);
    case Phase::Relaunching:
        return QStringLiteral("Finishing installation of Vendrilo Connect %1.").arg(version);
    case Phase::Failed: {
        const QString trimmed = message.trimmed();
        return trimmed.isEmpty() ? QStringLiteral("The last update attempt did not complete.") : trimmed;
    }
    }
    Q_UNREACHABLE();
    return QString();
}

bool UpdateInstallState::showsMenuBarIndicator(const ResolvedReleaseStatus& release) const {
    return release.updateAvailable || release.updateRequired || isInstalling();
}
