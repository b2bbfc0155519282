#include "common/FileText.h"
#include "supervision/BundleInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestBundleInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        QTemporaryDir bundle;
        QVERIFY(writeFile(
            bundle.path() + "/Contents/Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
            "1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><dict>" +
                entries + "</dict></plist>\n"));
        const BundleInfo info = BundleInfo::fromBundleDirectory(bundle.path());
        QTEST(QString(info.companionVersion() + u'|' + info.companionBuildNumber() + u'|' +
                      info.bundleIdentifier()),
              "expected");
    }

    void findsTheBundledRuntimeOnlyWhenPresent() {
        QTemporaryDir bundle;
        const BundleInfo info = BundleInfo::fromBundleDirectory(bundle.path() + "/./");
        QCOMPARE(info.bundlePath(), bundle.path());
        QCOMPARE(info.companionVersion(), "1.0.0"); // no Info.plist at all
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        const QString runtime =
            bundle.path() + "/Contents/Resources/CompanionRuntime/vendrilo-connect-companion.bin";
        QVERIFY(QDir().mkpath(runtime));
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        QVERIFY(QDir().rmdir(runtime));
        QVERIFY(writeFile(runtime, "binary"));
        QCOMPARE(info.bundledRuntimeExecutable(), runtime);
        // Outside a bundle the executable's own folder stands in for it.
        QCOMPARE(BundleInfo::main().bundlePath(), QCoreApplication::applicationDirPath());
    }
};

QTEST_GUILESS_MAIN(TestBundleInfo)
#include "tst_bundleinfo.moc"
