#include "system/NotificationPreferences.h"

#include <QSettings>

NotificationPreferences::NotificationPreferences(const QString& bundleIdentifier, QObject* parent)
    : NotificationPreferences(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                          bundleIdentifier, bundleIdentifier),
                              parent) {}

std::unique_ptr<NotificationPreferences> NotificationPreferences::inFile(const QString& filePath) {
    return std::unique_ptr<NotificationPreferences>(
        new NotificationPreferences(std::make_unique<QSettings>(filePath, QSettings::IniFormat)));
}

NotificationPreferences::NotificationPreferences(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)) {}

NotificationPreferences::~NotificationPreferences() = default;

bool NotificationPreferences::isEnabled(NotificationKind kind) const {
    return !disabledNames().contains(rawValue(kind));
}

void NotificationPreferences::setEnabled(NotificationKind kind, bool enabled) {
    if (isEnabled(kind) == enabled) {
        return;
    }
    QStringList disabled = disabledNames();
    if (enabled) {
        disabled.removeAll(rawValue(kind));
    } else {
        disabled.append(rawValue(kind));
    }
    // One comma-separated text: a list read back from an INI file loses its
    // type when it holds a single entry.
    m_settings->setValue(disabledNotificationsKey, disabled.join(u','));
    m_settings->sync();
    Q_EMIT changed();
}

QStringList NotificationPreferences::disabledNames() const {
    return m_settings->value(disabledNotificationsKey).toString().split(u',', Qt::SkipEmptyParts);
}
