#include "model/CompanionPreferences.h"

#include <QSettings>

namespace {

std::optional<bool> strictBool(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        if (value.toLongLong() == 0 || value.toLongLong() == 1) {
            return value.toLongLong() == 1;
        }
        return std::nullopt;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString();
        if (text == u"true" || text == u"1") {
            return true;
        }
        if (text == u"false" || text == u"0") {
            return false;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

CompanionPreferences::CompanionPreferences() : CompanionPreferences(QStringLiteral(VC_BUNDLE_IDENTIFIER)) {}

CompanionPreferences::CompanionPreferences(const QString& bundleIdentifier)
    : CompanionPreferences(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                       bundleIdentifier, bundleIdentifier)) {}

CompanionPreferences CompanionPreferences::inFile(const QString& filePath) {
    return CompanionPreferences(std::make_unique<QSettings>(filePath, QSettings::IniFormat));
}

CompanionPreferences::CompanionPreferences(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {}
CompanionPreferences::CompanionPreferences(CompanionPreferences&&) noexcept = default;
CompanionPreferences& CompanionPreferences::operator=(CompanionPreferences&&) noexcept = default;
CompanionPreferences::~CompanionPreferences() = default;

bool CompanionPreferences::hasValue(QLatin1String key) const {
    return m_settings->contains(key);
}

std::optional<bool> CompanionPreferences::boolValue(QLatin1String key) const {
    if (!m_settings->contains(key)) {
        return std::nullopt;
    }
    return strictBool(m_settings->value(key));
}

void CompanionPreferences::setBool(QLatin1String key, bool value) {
    m_settings->setValue(key, value);
}

void CompanionPreferences::synchronize() {
    m_settings->sync();
}

bool CompanionPreferences::keepRunningInMenuBarWhenQuitting() const {
    return boolValue(keepRunningInMenuBarWhenQuittingKey).value_or(true);
}

bool CompanionPreferences::didCompleteInitialSetup() const {
    return boolValue(didCompleteInitialSetupKey).value_or(false);
}

bool CompanionPreferences::didCompleteGuidedExperience() const {
    return boolValue(didCompleteGuidedExperienceKey).value_or(false);
}

QString CompanionPreferences::fileName() const {
    return m_settings->fileName();
}
