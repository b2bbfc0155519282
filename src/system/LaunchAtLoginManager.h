#pragma once

#include "system/DesktopEntry.h"
#include "system/LaunchAtLoginStatus.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

// Starts the application when the user logs in, through an XDG autostart entry
// "<bundle identifier>.desktop" in the user's autostart folder, which GNOME,
// KDE and Xfce sessions all read. The entry is ours when its Exec starts this
// bundle's executable; an entry starting another copy is left for that copy,
// except that enabling takes the name over.
//
// Calls are synchronous and short (one small file); main thread.
class LaunchAtLoginManager {
public:
    // An empty bundle identifier means there is nothing to name the entry
    // after: no login-item service.
    LaunchAtLoginManager(QString bundlePath, QString bundleIdentifier,
                         QString executablePath = QCoreApplication::applicationFilePath());

    // Not found while running outside an installed location; enabled when the
    // session will start this copy; not registered when there is no entry, it
    // is switched off, or it starts another copy; unknown when the entry cannot
    // be read or there is no service.
    LaunchAtLoginStatus status() const;

    // Enabling writes the entry for this copy (atomically); disabling removes
    // it if it is ours. Throws LaunchAtLoginError: operationFailed with the
    // platform's text, or unsupportedOS without a service.
    void setEnabled(bool enabled);

    // $XDG_CONFIG_HOME/autostart/<bundle identifier>.desktop
    QString entryPath() const;

private:
    // nullopt when there is no entry; throws operationFailed when it cannot be read.
    std::optional<DesktopEntry> readEntry() const;
    bool startsThisCopy(const DesktopEntry& entry) const;
    QByteArray renderEntry() const;

    QString m_bundlePath;
    QString m_bundleIdentifier;
    QString m_executablePath;
};
