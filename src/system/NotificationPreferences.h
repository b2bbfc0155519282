#pragma once

#include "system/NotificationKind.h"

#include <QLatin1String>
#include <QObject>
#include <QString>

#include <memory>

class QSettings;

// Which desktop notifications are turned off: one stored preference beside the
// app's three switches, in the same user-scope store. It lists the kinds the
// user turned off, so a kind added later starts on.
class NotificationPreferences : public QObject {
    Q_OBJECT
public:
    static constexpr QLatin1String disabledNotificationsKey{"disabledNotifications"};

    // The user-scope store named after the bundle identifier (BundleInfo::bundleIdentifier()).
    explicit NotificationPreferences(const QString& bundleIdentifier, QObject* parent = nullptr);
    // A store kept in the given INI file.
    static std::unique_ptr<NotificationPreferences> inFile(const QString& filePath);
    ~NotificationPreferences() override;

    bool isEnabled(NotificationKind kind) const;
    void setEnabled(NotificationKind kind, bool enabled);

Q_SIGNALS:
    void changed();

private:
    explicit NotificationPreferences(std::unique_ptr<QSettings> settings, QObject* parent = nullptr);
    QStringList disabledNames() const;

    std::unique_ptr<QSettings> m_settings;
};
