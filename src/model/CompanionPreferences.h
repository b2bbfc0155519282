#pragma once

#include <QLatin1String>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

// The application's three persisted switches. Values read back from disk are
// strings, so Booleans are read strictly: "true"/"false"/"1"/"0" (or a real
// Boolean written in this process) count, anything else is "not a Boolean".
class CompanionPreferences {
public:
    static constexpr QLatin1String keepRunningInMenuBarWhenQuittingKey{"keepRunningInMenuBarWhenQuitting"};
    static constexpr QLatin1String didCompleteInitialSetupKey{"didCompleteInitialSetup"};
    static constexpr QLatin1String didCompleteGuidedExperienceKey{"didCompleteGuidedExperience"};

    // The user-scope store named after the build's bundle identifier.
    CompanionPreferences();
    // The user-scope store named after the given bundle identifier (BundleInfo::bundleIdentifier()).
    explicit CompanionPreferences(const QString& bundleIdentifier);
    // A store kept in the given INI file.
    static CompanionPreferences inFile(const QString& filePath);

    CompanionPreferences(CompanionPreferences&&) noexcept;
    CompanionPreferences& operator=(CompanionPreferences&&) noexcept;
    ~CompanionPreferences();

    // Whether anything at all is stored under the key, Boolean or not.
    bool hasValue(QLatin1String key) const;
    // The stored Boolean; nullopt when nothing is stored or the value is not a Boolean.
    std::optional<bool> boolValue(QLatin1String key) const;
    void setBool(QLatin1String key, bool value);
    void synchronize();

    // True when absent or not a Boolean.
    bool keepRunningInMenuBarWhenQuitting() const;
    bool didCompleteInitialSetup() const;
    bool didCompleteGuidedExperience() const;

    QString fileName() const;

private:
    explicit CompanionPreferences(std::unique_ptr<QSettings> settings);

    std::unique_ptr<QSettings> m_settings;
};
