#include "common/FileText.h"
#include "model/CompanionPreferences.h"
#include "model/MacDeviceName.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// "absent", "notBoolean", "true" or "false" for each key, then the three typed readings.
QStringList describe(const CompanionPreferences& preferences) {
    const auto flag = [](bool value) { return value ? u"true"_qs : u"false"_qs; };
    QStringList lines;
    for (const QLatin1String key : {CompanionPreferences::keepRunningInMenuBarWhenQuittingKey,
                                    CompanionPreferences::didCompleteInitialSetupKey,
                                    CompanionPreferences::didCompleteGuidedExperienceKey}) {
        const auto value = preferences.boolValue(key);
        lines << (value ? flag(*value) : (preferences.hasValue(key) ? u"notBoolean"_qs : u"absent"_qs));
    }
    return lines << flag(preferences.keepRunningInMenuBarWhenQuitting())
                 << flag(preferences.didCompleteInitialSetup())
                 << flag(preferences.didCompleteGuidedExperience());
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Another process reads what this one stored, as after a restart of the app.
    void storedBooleansSurviveARestartAndReadStrictly_data() {
        QTest::addColumn<QByteArray>("fileText");
        QTest::addColumn<bool>("writeThroughTheStore"); // keep running false, setup done
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fresh installation")
            << QByteArray() << false << QStringList{"absent", "absent", "absent", "true", "false", "false"};
        QTest::newRow("written through the store")
            << QByteArray() << true << QStringList{"false", "true", "absent", "false", "true", "false"};
        QTest::newRow("text under the keep-running key reads as true")
            << QByteArray("[General]\nkeepRunningInMenuBarWhenQuitting=sometimes\n") << false
            << QStringList{"notBoolean", "absent", "absent", "true", "false", "false"};
        QTest::newRow("1 and 0 are Booleans")
            << QByteArray("[General]\ndidCompleteInitialSetup=1\ndidCompleteGuidedExperience=0\n") << false
            << QStringList{"absent", "true", "false", "true", "true", "false"};
        QTest::newRow("other spellings are not Booleans")
            << QByteArray("[General]\nkeepRunningInMenuBarWhenQuitting=0\ndidCompleteInitialSetup=TRUE\n"
                          "didCompleteGuidedExperience=yes\n")
            << false << QStringList{"false", "notBoolean", "notBoolean", "false", "false", "false"};
    }
    void storedBooleansSurviveARestartAndReadStrictly() {
        QFETCH(QByteArray, fileText);
        QFETCH(bool, writeThroughTheStore);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"preferences.ini"_qs);
        QVERIFY(fileText.isEmpty() || writeFile(path, fileText));
        if (writeThroughTheStore) {
            auto preferences = CompanionPreferences::inFile(path);
            preferences.setBool(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey, false);
            preferences.setBool(CompanionPreferences::didCompleteInitialSetupKey, true);
            preferences.synchronize();
        }
        QProcess reader;
        reader.start(QCoreApplication::applicationFilePath(), {u"--describe-preferences"_qs, path});
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(reader.exitCode(), 0);
        QTEST(QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts), "expected");
    }

    void computerNameTakesTheFirstNonBlankSource() {
        QCOMPARE(MacDeviceName({u" Study Computer\n"_qs, u"study-box"_qs, u"other"_qs}).computerName(),
                 u"Study Computer"_qs);
        QCOMPARE(MacDeviceName({u"  "_qs, u"study-box"_qs, u"other"_qs}).computerName(), u"study-box"_qs);
        QCOMPARE(MacDeviceName({u""_qs, u""_qs, u" other "_qs}).computerName(), u"other"_qs);
        QCOMPARE(MacDeviceName({u""_qs, u"\n"_qs, u" "_qs}).computerName(), u"My Mac"_qs);
    }

    // Host names in any spelling give way to the computer name; ".local" is dropped only in front.
    void shouldPreferComputerName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("blank") << u"   "_qs << true;
        QTest::newRow("My Mac") << u" My Mac "_qs << true;
        QTest::newRow("host name, other punctuation and case") << u"Janes_Box"_qs << true;
        QTest::newRow("process host name, unicode letters") << u"jänes box 2"_qs << true;
        QTest::newRow("local host name in any case") << u"Janes-Box.LOCAL"_qs << true;
        QTest::newRow("a trailing .local is kept") << u"Jänes-Box-2.local"_qs << false;
        QTest::newRow("a leading .local is dropped") << u".LOCALjanes-box"_qs << true;
        QTest::newRow("other domain") << u"janes-box.lan"_qs << false;
        QTest::newRow("pretty name is not a host name") << u"Study Computer"_qs << false;
        QTest::newRow("my mac in lower case") << u"my mac"_qs << false;
    }
    void shouldPreferComputerName() {
        QFETCH(QString, name);
        const MacDeviceName device({u"Study Computer"_qs, u"janes-box"_qs, u"Jänes-Box-2"_qs});
        QTEST(device.shouldPreferComputerName(name), "expected");
    }

    void prettyHostNameFromMachineInfo_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double quotes with escapes")
            << QByteArray("CHASSIS=laptop\nPRETTY_HOSTNAME=\"Jane's \\\"Box\\\"\"\n") << u"Jane's \"Box\""_qs;
        QTest::newRow("single quotes")
            << QByteArray("PRETTY_HOSTNAME='Study \\ Room'") << u"Study \\ Room"_qs;
        QTest::newRow("bare utf-8") << QByteArray("PRETTY_HOSTNAME=J\xc3\xa4ne") << u"Jäne"_qs;
        QTest::newRow("missing") << QByteArray("DEPLOYMENT=production\n") << QString();
    }
    void prettyHostNameFromMachineInfo() {
        QFETCH(QByteArray, text);
        QTEST(MacDeviceName::prettyHostName(text), "expected");
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--describe-preferences") == 0) {
        const auto lines = describe(CompanionPreferences::inFile(QString::fromLocal8Bit(argv[2])));
        std::fputs(qPrintable(lines.join(u'\n') + u'\n'), stdout);
        return 0;
    }
    TestPreferences test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preferences.moc"
