#include "supervision/CompanionPaths.h"

#include "common/UserFacingError.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <filesystem>
#include <system_error>

namespace CompanionPaths {

namespace {

QString versionLabel(const QString& version) {
    QString label = version.trimmed();
    if (label.isEmpty()) {
        return QStringLiteral("latest");
    }
    label.replace(u'/', u'-');
    label.replace(u':', u'-');
    label.replace(u' ', u'-');
    return label;
}

void createDirectory(const QString& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), error);
    if (error) {
        throw PlatformError(
            QCoreApplication::translate("CompanionPaths", "The folder “%1” could not be created: %2")
                .arg(path, QString::fromStdString(error.message())));
    }
}

void createEmptyFileIfMissing(const QString& path) {
    // NewOnly never truncates a log that appeared in the meantime.
    QFile file(path);
    if (!file.exists()) {
        (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
}

QString webHost() {
    QString host = QStringLiteral(VC_WEB_HOST);
    while (host.endsWith(u'/')) {
        host.chop(1);
    }
    return host;
}

} // namespace

QString platformName() {
#ifdef Q_OS_MACOS
    return QStringLiteral("macos");
#else
    return QStringLiteral("linux");
#endif
}

QString applicationSupportDirectory() {
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return locations.isEmpty() ? QString() : locations.constFirst();
}

QString runtimeDataDirectory() {
    return applicationSupportDirectory() + QStringLiteral("/vendrilo-connect");
}

QString applicationDirectory() {
    return applicationSupportDirectory() + QStringLiteral("/Vendrilo Connect");
}

QString runtimeDirectory() {
    return applicationDirectory() + QStringLiteral("/Runtime");
}

QString logDirectory() {
    return applicationDirectory() + QStringLiteral("/Logs");
}

QString updatesDirectory() {
    return applicationDirectory() + QStringLiteral("/Updates");
}

QString installedRuntimeExecutable() {
    return runtimeDirectory() + QStringLiteral("/vendrilo-connect-companion");
}

QString runtimeVersionStamp() {
    return runtimeDirectory() + QStringLiteral("/runtime-version.txt");
}

QString runtimeLog() {
    return logDirectory() + QStringLiteral("/companion.log");
}

QString releaseFeedCacheDirectory() {
    return applicationDirectory() + QStringLiteral("/Caches/release-feed");
}

QString appLog() {
    return logDirectory() + QStringLiteral("/vendrilo-connect.log");
}

QString installerLog() {
    return updatesDirectory() + QStringLiteral("/update-installer.log");
}

QString updateResultFile() {
    return updatesDirectory() + QStringLiteral("/last-update-result.txt");
}

QString stagedUpdateDiskImage(const QString& version) {
    return updatesDirectory() + QStringLiteral("/VendriloConnect-") + versionLabel(version) +
           QStringLiteral(".dmg");
}

QString installerScriptFile(const QString& version) {
    return updatesDirectory() + QStringLiteral("/install-update-") + versionLabel(version) +
           QStringLiteral(".sh");
}

void ensureDirectories() {
    if (applicationSupportDirectory().isEmpty()) {
        throw PlatformError(
            QCoreApplication::translate("CompanionPaths", "The user’s data folder could not be determined."));
    }
    createDirectory(runtimeDataDirectory());
    createDirectory(applicationDirectory());
    createDirectory(runtimeDirectory());
    createDirectory(logDirectory());
    createDirectory(updatesDirectory());
    createEmptyFileIfMissing(runtimeLog());
    createEmptyFileIfMissing(installerLog());
}

bool isInstalledInApplications(const QString& bundlePath) {
    return bundlePath.contains(QStringLiteral("/Applications/"));
}

QUrl dashboardBaseURL() {
    return QUrl(QStringLiteral("http://127.0.0.1:46901"));
}

QUrl manifestURL() {
    const QString override = qEnvironmentVariable("VENDRILO_CONNECT_RELEASE_FEED_URL").trimmed();
    if (!override.isEmpty()) {
        return QUrl(override);
    }
    return QUrl(webHost() + QStringLiteral("/connect/releases/companion.json"));
}

QUrl downloadsURL() {
    // The section of the downloads page for the platform we run on.
    return QUrl(webHost() + QStringLiteral("/downloads#sec-") + platformName());
}

} // namespace CompanionPaths
