#include "common/UserFacingError.h"
#include "supervision/CompanionPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestCompanionPaths : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    }

    void versionLabelsMakeFileNames_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("label");
        QTest::newRow("surrounding spaces trimmed") << " 1.4.0 \n"
                                                    << "1.4.0";
        QTest::newRow("slash and space") << "2.0 beta/1"
                                         << "2.0-beta-1";
        QTest::newRow("colon") << "3.0:rc"
                               << "3.0-rc";
        QTest::newRow("empty") << ""
                               << "latest";
        QTest::newRow("only spaces") << "   "
                                     << "latest";
        QTest::newRow("other characters kept") << "1.0+Ä_x"
                                               << "1.0+Ä_x";
    }
    void versionLabelsMakeFileNames() {
        QFETCH(QString, version);
        QFETCH(QString, label);
        const QString updates = dataHome() + "/Vendrilo Connect/Updates/";
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
            QCOMPARE(QFileInfo(log).size(), 0);
            QFile file(log);
            QVERIFY(file.open(QIODevice::Append));
            file.write("kept\n");
        }
        CompanionPaths::ensureDirectories();
        QCOMPARE(QFileInfo(CompanionPaths::runtimeLog()).size(), 5);
        QCOMPARE(QFileInfo(CompanionPaths::installerLog()).size(), 5);
    }

    void ensureDirectoriesStopsAtTheFirstFolderItCannotCreate() {
        QFile blocker(CompanionPaths::applicationDirectory());
        QVERIFY(QDir().mkpath(dataHome()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY_THROWS_EXCEPTION(PlatformError, CompanionPaths::ensureDirectories());
        QVERIFY(QFileInfo(CompanionPaths::runtimeDataDirectory()).isDir());
        QVERIFY(!QFileInfo::exists(CompanionPaths::runtimeLog()));
    }

    void installedInApplications_data() {
        QTest::addColumn<QString>("bundlePath");
        QTest::addColumn<bool>("installed");
        QTest::newRow("system folder") << "/Applications/Vendrilo Connect.app" << true;
        QTest::newRow("user folder") << "/home/ana/Applications/Vendrilo Connect.app" << true;
        QTest::newRow("disk image volume") << "/Volumes/Vendrilo Connect/Vendrilo Connect.app" << false;
        QTest::newRow("build folder") << "/work/build/Vendrilo Connect.app" << false;
        QTest::newRow("no trailing slash") << "/x/Applications" << false;
    }
    void installedInApplications() {
        QFETCH(QString, bundlePath);
        QFETCH(bool, installed);
        QCOMPARE(CompanionPaths::isInstalledInApplications(bundlePath), installed);
    }

    void addresses() {
        QCOMPARE(CompanionPaths::dashboardBaseURL(), QUrl("http://127.0.0.1:46901"));
        QCOMPARE(CompanionPaths::manifestURL().path(), "/connect/releases/companion.json");
        QCOMPARE(CompanionPaths::downloadsURL().path(), "/downloads");
        QCOMPARE(CompanionPaths::downloadsURL().fragment(), "sec-" + CompanionPaths::platformName());
        qputenv("VENDRILO_CONNECT_RELEASE_FEED_URL", "http://127.0.0.1:9/feed.json");
        QCOMPARE(CompanionPaths::manifestURL(), QUrl("http://127.0.0.1:9/feed.json"));
        qunsetenv("VENDRILO_CONNECT_RELEASE_FEED_URL");
    }

private:
    QString dataHome() const { return m_home->path() + "/data"; }

    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_GUILESS_MAIN(TestCompanionPaths)
#include "tst_companionpaths.moc"
