#pragma once

#include <QString>

#include <optional>

// What the application knows about its own bundle directory
// ("Vendrilo Connect.app/Contents/{MacOS,Info.plist,Resources}"), read at run
// time so that one build can be moved anywhere.
class BundleInfo {
public:
    // The bundle of the running executable (…/Contents/MacOS/vendrilo-connect).
    // An executable outside a bundle gets its own folder as the bundle path and
    // the defaults for everything read from Info.plist.
    static BundleInfo main();
    // The bundle at the given directory (the one ending in ".app").
    static BundleInfo fromBundleDirectory(const QString& bundlePath);
    // A real directory named *.app holding Contents/Info.plist, whose
    // CFBundleIdentifier is `identifier`, and Contents/MacOS/vendrilo-connect.
    static bool isAppBundle(const QString& path, const QString& identifier);

    const QString& bundlePath() const noexcept { return m_bundlePath; }
    QString resourcesDirectory() const;

    // CFBundleShortVersionString trimmed; "1.0.0" when missing, not text or blank.
    const QString& companionVersion() const noexcept { return m_companionVersion; }
    // CFBundleVersion as written when it is text, else "1".
    const QString& companionBuildNumber() const noexcept { return m_companionBuildNumber; }
    // CFBundleIdentifier; the build's identifier when missing or blank.
    const QString& bundleIdentifier() const noexcept { return m_bundleIdentifier; }

    // Resources/CompanionRuntime/vendrilo-connect-companion.bin when it exists.
    std::optional<QString> bundledRuntimeExecutable() const;

private:
    QString m_bundlePath;
    QString m_companionVersion;
    QString m_companionBuildNumber;
    QString m_bundleIdentifier;
};
