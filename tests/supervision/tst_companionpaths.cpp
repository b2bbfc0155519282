#include "common/UserFacingError.h"
#include "supervision/CompanionPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCompanionPaths : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(m_home.emplace().isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath("data")));
    }

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
        QFile blocker(CompanionPaths::applicationDirectory());
        QVERIFY(QDir().mkpath(m_home->filePath("data")) && blocker.open(QIODevice::WriteOnly));
        blocker.close();
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

private:
    std::optional<QTemporaryDir> m_home;
};

QTEST_GUILESS_MAIN(TestCompanionPaths)
#include "tst_companionpaths.moc"
