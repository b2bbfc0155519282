#pragma once

#include <QString>

// What the release feed says about this installation, condensed for the
// update button, the menu and the settings window. Every string starts empty
// and every flag false.
struct ResolvedReleaseStatus {
    QString installedVersion; // exactly as passed in
    QString latestVersion;
    QString minimumSupported;
    bool updateAvailable = false;
    bool updateRequired = false;
    bool unknownInstalledBuild = false;
    QString primaryActionLabel;
    QString primaryActionURL;
    QString downloadURL;
    QString instructionsURL;
    QString copyCommand;
    QString headline;
    // Hex SHA-256 the downloaded image must have; empty when the feed gives none.
    QString downloadSHA256;

    bool operator==(const ResolvedReleaseStatus&) const = default;
};
