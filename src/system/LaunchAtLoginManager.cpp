#include "system/LaunchAtLoginManager.h"

#include "system/LaunchAtLoginError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Two spellings of one file (a symlinked folder, "..") are the same copy.
QString comparablePath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// Switched off the way the sessions' own settings do it: KDE and Xfce hide
// the entry, GNOME clears its own key.
bool isSwitchedOn(const DesktopEntry& entry) {
    return entry.value(u"Type"_qs) == u"Application" && entry.boolean(u"Hidden"_qs) != true &&
           entry.boolean(u"X-GNOME-Autostart-enabled"_qs) != false;
}

// Only an installed copy may start at login; one run from a download or build
// folder is asked to move first.
bool isInstalledInApplications(const QString& bundlePath) {
    return bundlePath.contains(u"/Applications/");
}

} // namespace

LaunchAtLoginManager::LaunchAtLoginManager(QString bundlePath, QString bundleIdentifier,
                                           QString executablePath)
    : m_bundlePath(std::move(bundlePath)), m_bundleIdentifier(std::move(bundleIdentifier)),
      m_executablePath(std::move(executablePath)) {}

QString LaunchAtLoginManager::entryPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) % u"/autostart/" %
           m_bundleIdentifier % u".desktop";
}

LaunchAtLoginStatus LaunchAtLoginManager::status() const {
    if (m_bundleIdentifier.isEmpty()) {
        return LaunchAtLoginStatus::Unknown;
    }
    if (!isInstalledInApplications(m_bundlePath)) {
        return LaunchAtLoginStatus::NotFound;
    }
    std::optional<DesktopEntry> entry;
    try {
        entry = readEntry();
    } catch (const LaunchAtLoginError&) {
        return LaunchAtLoginStatus::Unknown;
    }
    if (entry && isSwitchedOn(*entry) && startsThisCopy(*entry)) {
        return LaunchAtLoginStatus::Enabled;
    }
    return LaunchAtLoginStatus::NotRegistered;
}

void LaunchAtLoginManager::setEnabled(bool enabled) {
    if (m_bundleIdentifier.isEmpty()) {
        throw LaunchAtLoginError::unsupportedOS();
    }
    const QString path = entryPath();
    if (!enabled) {
        const auto entry = readEntry();
        QFile file(path);
        if (entry && startsThisCopy(*entry) && !file.remove()) {
            throw LaunchAtLoginError::operationFailed(file.errorString());
        }
        return;
    }
    if (!isInstalledInApplications(m_bundlePath)) {
        throw LaunchAtLoginError::operationFailed(launchAtLoginStatusText(LaunchAtLoginStatus::NotFound));
    }
    // A failure here shows up as the save file's own error below.
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(renderEntry()) < 0 || !file.commit()) {
        throw LaunchAtLoginError::operationFailed(file.errorString());
    }
}

std::optional<DesktopEntry> LaunchAtLoginManager::readEntry() const {
    QFile file(entryPath());
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw LaunchAtLoginError::operationFailed(file.errorString());
    }
    return DesktopEntry::parse(file.readAll());
}

bool LaunchAtLoginManager::startsThisCopy(const DesktopEntry& entry) const {
    const auto arguments = DesktopEntry::execArguments(entry.value(u"Exec"_qs).value_or(QString()));
    return arguments && !arguments->isEmpty() &&
           comparablePath(arguments->first()) == comparablePath(m_executablePath);
}

QByteArray LaunchAtLoginManager::renderEntry() const {
    DesktopEntry entry;
    entry.setValue(u"Type"_qs, u"Application"_qs);
    entry.setValue(u"Version"_qs, u"1.4"_qs);
    entry.setValue(u"Name"_qs, u"Vendrilo Connect"_qs);
    entry.setValue(u"Comment"_qs, u"Keeps the Vendrilo companion running in the system tray"_qs);
    // Started by the session: straight to the tray, no window.
    entry.setValue(u"Exec"_qs, DesktopEntry::quoteExecArgument(m_executablePath) + u" --background"_qs);
    entry.setValue(u"Terminal"_qs, u"false"_qs);
    entry.setValue(u"StartupNotify"_qs, u"false"_qs);
    entry.setValue(u"X-GNOME-Autostart-enabled"_qs, u"true"_qs);
    // A tray application needs the panel's tray host before it starts.
    entry.setValue(u"X-KDE-autostart-after"_qs, u"panel"_qs);
    return entry.toByteArray();
}
