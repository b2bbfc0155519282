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
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("all present") << QByteArray(
                                            "<key>CFBundleShortVersionString</key><string> 1.4.2\n</string>"
                                            "<key>CFBundleVersion</key><string> 42 </string>"
                                            "<key>CFBundleIdentifier</key><string>org.example.x</string>")
                                     << "1.4.2"
                                     << " 42 "
                                     << "org.example.x";
        QTest::newRow("missing keys") << QByteArray() << "1.0.0"
                                      << "1" << VC_BUNDLE_IDENTIFIER;
        QTest::newRow("blank version, empty build")
            << QByteArray("<key>CFBundleShortVersionString</key><string>   </string>"
                          "<key>CFBundleVersion</key><string></string>")
            << "1.0.0"
            << "" << VC_BUNDLE_IDENTIFIER;
        QTest::newRow("values that are not text")
            << QByteArray("<key>CFBundleShortVersionString</key><integer>2</integer>"
                          "<key>CFBundleVersion</key><array><string>7</string></array>"
                          "<key>CFBundleName</key><string>Vendrilo Connect</string>")
            << "1.0.0"
            << "1" << VC_BUNDLE_IDENTIFIER;
        QTest::newRow("nested dictionaries are not read")
            << QByteArray("<key>Nested</key><dict><key>CFBundleVersion</key><string>9</string></dict>"
                          "<key>CFBundleShortVersionString</key><string>3.1</string>")
            << "3.1"
            << "1" << VC_BUNDLE_IDENTIFIER;
        QTest::newRow("damaged file keeps what came before")
            << QByteArray("<key>CFBundleShortVersionString</key><string>5.0</string><key>CFBundleVersion<")
            << "5.0"
            << "1" << VC_BUNDLE_IDENTIFIER;
    }
    void readsInfoPlist() {
        QFETCH(QByteArray, entries);
        QFETCH(QString, version);
        QFETCH(QString, build);
        QFETCH(QString, identifier);
        QTemporaryDir bundle;
        writeFile(bundle.path() + "/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
                  "1.0//EN\" "
                  "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><dict>" +
                      entries + "</dict></plist>\n");
        const BundleInfo info = BundleInfo::fromBundleDirectory(bundle.path());
        QCOMPARE(info.companionVersion(), version);
        QCOMPARE(info.companionBuildNumber(), build);
        QCOMPARE(info.bundleIdentifier(), identifier);
    }

    void findsTheBundledRuntimeOnlyWhenPresent() {
        QTemporaryDir bundle;
        const BundleInfo info = BundleInfo::fromBundleDirectory(bundle.path() + "/./");
        QCOMPARE(info.bundlePath(), bundle.path());
        QCOMPARE(info.companionVersion(), "1.0.0");
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        const QString runtime =
            bundle.path() + "/Contents/Resources/CompanionRuntime/vendrilo-connect-companion.bin";
        QVERIFY(QDir().mkpath(runtime));
        QCOMPARE(info.bundledRuntimeExecutable(), std::nullopt);
        QVERIFY(QDir().rmdir(runtime));
        writeFile(runtime, "binary");
        QCOMPARE(info.bundledRuntimeExecutable(), runtime);
        // Outside a bundle the executable's own folder stands in for it.
        QCOMPARE(BundleInfo::main().bundlePath(), QCoreApplication::applicationDirPath());
    }

private:
    static void writeFile(const QString& path, const QByteArray& contents) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
};

QTEST_GUILESS_MAIN(TestBundleInfo)
#include "tst_bundleinfo.moc"
