#include "common/FileText.h"
#include "common/LogCategories.h"
#include "common/LogRotation.h"
#include "common/UserFacingError.h"
#include "supervision/AppLogFile.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionPaths.h"

#include <QTemporaryDir>
#include <QTest>

// The folders and files the app keeps under a temporary data folder, its log, and the bundle it runs from.
class SupervisionFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(m_home.emplace().isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath("data")));
    }
    void cleanup() { AppLogFile::uninstall(); }

    void versionLabelsMakeFileNames_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("label");
        const auto row = [](const char* version, const char* label) {
            QTest::newRow(version) << QString::fromUtf8(version) << QString::fromUtf8(label);
        };
        row(" 1.4.0 \n", "1.4.0");
        row("2.0 beta/1:rc+Ä_x", "2.0-beta-1-rc+Ä_x");
        row("   ", "latest");
    }
    void versionLabelsMakeFileNames() {
        QFETCH(QString, version);
        QFETCH(QString, label);
        const QString updates = m_home->filePath("data/Vendrilo Connect/Updates/");
        QCOMPARE(CompanionPaths::stagedUpdateDiskImage(version),
                 updates + "VendriloConnect-" + label + ".dmg");
        QCOMPARE(CompanionPaths::installerScriptFile(version), updates + "install-update-" + label + ".sh");
    }

    void ensureDirectoriesCreatesFoldersAndKeepsLogs() {
        CompanionPaths::ensureDirectories();
        for (const QString& folder :
             {CompanionPaths::runtimeDataDirectory(), CompanionPaths::runtimeDirectory(),
              CompanionPaths::logDirectory(), CompanionPaths::updatesDirectory()}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
        }
        for (const QString& log : {CompanionPaths::runtimeLog(), CompanionPaths::installerLog()}) {
            QFile file(log);
            QVERIFY(file.size() == 0 && file.open(QIODevice::Append) && file.write("kept\n") == 5);
        }
        CompanionPaths::ensureDirectories();
        QCOMPARE(QFileInfo(CompanionPaths::runtimeLog()).size(), 5);
        QCOMPARE(QFileInfo(CompanionPaths::installerLog()).size(), 5);
    }

    void ensureDirectoriesStopsAtTheFirstFolderItCannotCreate() {
        QVERIFY(writeFile(CompanionPaths::applicationDirectory(), {}));
        QVERIFY_THROWS_EXCEPTION(PlatformError, CompanionPaths::ensureDirectories());
        QVERIFY(QFileInfo(CompanionPaths::runtimeDataDirectory()).isDir());
        QVERIFY(!QFileInfo::exists(CompanionPaths::runtimeLog()));
    }

    void releaseFeedAddressCanBeOverridden() {
        qputenv("VENDRILO_CONNECT_RELEASE_FEED_URL", " http://127.0.0.1:9/feed.json ");
        QCOMPARE(CompanionPaths::manifestURL(), QUrl("http://127.0.0.1:9/feed.json"));
        qunsetenv("VENDRILO_CONNECT_RELEASE_FEED_URL");
        QCOMPARE(CompanionPaths::manifestURL().path(), "/connect/releases/companion.json");
    }

    // Lines carry the level and category; past the limit one previous file is kept.
    void appLogIsAppendedAndRotated() {
        const QString path = m_home->filePath("Logs/vendrilo-connect.log");
        QVERIFY(AppLogFile::install(path, 300));
        qCWarning(lcUpdate) << "first check failed";
        QVERIFY(QRegularExpression(
                    "^\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z warning vendrilo.update: first check failed\n$")
                    .match(QString::fromUtf8(readFile(path)))
                    .hasMatch());
        for (int i = 0; i < 20; ++i) {
            qCWarning(lcModel) << "message" << i;
        }
        const QByteArray current = readFile(path), previous = readFile(previousLogPath(path));
        QVERIFY(current.size() <= 300 && previous.size() > 300);
        QVERIFY(current.endsWith("vendrilo.model: message 19\n"));
        QVERIFY(!previous.contains("first check failed") && previous.contains("message 1"));
        QCOMPARE(QDir(m_home->filePath("Logs")).entryList(QDir::Files).size(), 2);

        // A later start appends to a file within the limit.
        AppLogFile::uninstall();
        QVERIFY(AppLogFile::install(path, 300));
        qCInfo(lcUi) << "again";
        QVERIFY(readFile(path).startsWith(current));
        QVERIFY(readFile(path).endsWith("info vendrilo.ui: again\n"));
    }

    void readsInfoPlist_data() {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<QString>("expected"); // version|build|identifier
        const auto row = [](const char* name, const char* entries, const char* expected) {
            QTest::newRow(name) << QByteArray(entries) << QString::fromUtf8(expected);
        };
        row("all present",
            "<key>CFBundleShortVersionString</key><string> 1.4.2\n</string><key>CFBundleVersion</key>"
            "<string> 42 </string><key>CFBundleIdentifier</key><string>org.example.x</string>",
            "1.4.2| 42 |org.example.x");
        row("missing keys", "", "1.0.0|1|" VC_BUNDLE_IDENTIFIER);
        row("blank version, empty build",
            "<key>CFBundleShortVersionString</key><string>   "
            "</string><key>CFBundleVersion</key><string></string>",
            "1.0.0||" VC_BUNDLE_IDENTIFIER);
        row("values that are not text, nested dictionaries not read",
            "<key>CFBundleShortVersionString</key><integer>2</integer><key>Nested</key><dict>"
            "<key>CFBundleVersion</key><string>9</string></dict><key>CFBundleName</key><string>x</string>",
            "1.0.0|1|" VC_BUNDLE_IDENTIFIER);
        row("damaged file keeps what came before",
            "<key>CFBundleShortVersionString</key><string>5.0</string><key>CFBundleVersion<",
            "5.0|1|" VC_BUNDLE_IDENTIFIER);
    }
    void readsInfoPlist() {
        QFETCH(QByteArray, entries);
        QVERIFY(writeFile(
            m_home->filePath("Contents/Info.plist"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
            "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><dict>" +
                entries + "</dict></plist>\n"));
        const BundleInfo info = BundleInfo::fromBundleDirectory(m_home->path());
        QTEST(QString(info.companionVersion() + u'|' + info.companionBuildNumber() + u'|' +
                      info.bundleIdentifier()),
              "expected");
    }

    void findsTheBundledRuntimeOnlyWhenPresent() {
        const BundleInfo info = BundleInfo::fromBundleDirectory(m_home->path() + "/./");
        QCOMPARE(info.bundlePath(), m_home->path());
        QCOMPARE(info.companionVersion(), "1.0.0"); // no Info.plist at all
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        const QString runtime =
            m_home->filePath("Contents/Resources/CompanionRuntime/vendrilo-connect-companion.bin");
        QVERIFY(QDir().mkpath(runtime));
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        QVERIFY(QDir().rmdir(runtime));
        QVERIFY(writeFile(runtime, "binary"));
        QCOMPARE(info.bundledRuntimeExecutable(), runtime);
        // Outside a bundle the executable's own folder stands in for it.
        QCOMPARE(BundleInfo::main().bundlePath(), QCoreApplication::applicationDirPath());
    }

private:
    std::optional<QTemporaryDir> m_home;
};

QTEST_GUILESS_MAIN(SupervisionFilesTest)
#include "tst_supervisionfiles.moc"
