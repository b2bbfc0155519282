#pragma once

#include "update/ResolvedReleaseStatus.h"

#include <QObject>
#include <QString>

// Where an update check or installation stands.
struct UpdateInstallState {
    Q_GADGET
public:
    enum class Phase { Idle, Checking, Downloading, Installing, Relaunching, Failed };
    Q_ENUM(Phase)

    Phase phase = Phase::Idle;
    QString version; // Downloading, Installing, Relaunching
    QString message; // Failed

    static UpdateInstallState idle() { return {}; }
    static UpdateInstallState checking() { return {Phase::Checking, {}, {}}; }
    static UpdateInstallState downloading(QString version) {
        return {Phase::Downloading, std::move(version), {}};
    }
    static UpdateInstallState installing(QString version) {
        return {Phase::Installing, std::move(version), {}};
    }
    static UpdateInstallState relaunching(QString version) {
        return {Phase::Relaunching, std::move(version), {}};
    }
    static UpdateInstallState failed(QString message) { return {Phase::Failed, {}, std::move(message)}; }

    // Downloading, installing or relaunching: an installation owns the update machinery.
    bool isInstalling() const noexcept {
        return phase == Phase::Downloading || phase == Phase::Installing || phase == Phase::Relaunching;
    }
    // One check or installation at a time; a failure allows both again.
    bool blocksUpdateActions() const noexcept { return isInstalling() || phase == Phase::Checking; }

    // What the tray menu and the settings window say about updates, given what
    // the release feed last reported.
    QString summary(const ResolvedReleaseStatus& release) const;
    QString actionLabel(const ResolvedReleaseStatus& release) const;
    QString statusDetail(const ResolvedReleaseStatus& release) const;
    // "Vendrilo Connect <latest> is ready to install."
    static QString readyToInstall(const ResolvedReleaseStatus& release);
    // An update is offered or one is being installed.
    bool showsMenuBarIndicator(const ResolvedReleaseStatus& release) const;

    bool operator==(const UpdateInstallState&) const = default;
};
