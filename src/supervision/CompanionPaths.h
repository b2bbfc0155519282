#pragma once

#include <QString>
#include <QUrl>

// Every folder, file and fixed address the application uses. Nothing else
// builds a path of its own. Directories are computed on each call and created
// only by ensureDirectories().
namespace CompanionPaths {

// The platform name handed to the runtime and used as the manifest's platform key.
QString platformName();

// First entry of the generic data location ($XDG_DATA_HOME, ~/.local/share).
QString applicationSupportDirectory();
// Application Support / "vendrilo-connect": the runtime's own data directory.
QString runtimeDataDirectory();
// Application Support / "Vendrilo Connect": the application's folder.
QString applicationDirectory();
QString runtimeDirectory();
QString logDirectory();
QString updatesDirectory();
// Application folder / "Caches" / "release-feed": the HTTP cache of release-feed reads.
QString releaseFeedCacheDirectory();

QString installedRuntimeExecutable();
QString runtimeVersionStamp();
QString runtimeLog();
// The application's own log, beside the runtime's.
QString appLog();
QString installerLog();
QString updateResultFile();

// "VendriloConnect-<label>.dmg" in the updates directory (a gzip tar on this
// platform; the name stays so the installer script and the result file agree
// with every other platform).
QString stagedUpdateDiskImage(const QString& version);
// "install-update-<label>.sh" in the updates directory.
QString installerScriptFile(const QString& version);

// Creates the data, application, runtime, log and updates folders in this order
// and the two log files when missing. Throws PlatformError naming the first
// folder that could not be created.
void ensureDirectories();

// True when the bundle path contains "/Applications/".
bool isInstalledInApplications(const QString& bundlePath);

// The runtime's admin API: http://127.0.0.1:46901
QUrl dashboardBaseURL();
// The release feed; VENDRILO_CONNECT_RELEASE_FEED_URL overrides it.
QUrl manifestURL();
// The downloads page, the fallback for a manual installation.
QUrl downloadsURL();

} // namespace CompanionPaths
