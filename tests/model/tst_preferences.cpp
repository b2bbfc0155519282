#include "model/CompanionPreferences.h"
#include "model/MacDeviceName.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

const QList<QLatin1String> keys{CompanionPreferences::keepRunningInMenuBarWhenQuittingKey,
                                CompanionPreferences::didCompleteInitialSetupKey,
                                CompanionPreferences::didCompleteGuidedExperienceKey};

// "absent", "notBoolean", "true" or "false" for each key, then the three typed readings.
QStringList describe(const CompanionPreferences& preferences) {
    QStringList lines;
    for (const QLatin1String key : keys) {
        const auto value = preferences.boolValue(key);
        lines << (value ? (*value ? u"true"_qs : u"false"_qs)
                        : (preferences.hasValue(key) ? u"notBoolean"_qs : u"absent"_qs));
    }
    const auto flag = [](bool value) { return value ? u"true"_qs : u"false"_qs; };
    lines << flag(preferences.keepRunningInMenuBarWhenQuitting())
          << flag(preferences.didCompleteInitialSetup()) << flag(preferences.didCompleteGuidedExperience());
    return lines;
}

} // namespace

class TestPreferences : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Another process reads what this one stored, as after a restart of the app.
    void storedBooleansSurviveARestartAndReadStrictly_data() {
        QTest::addColumn<QByteArray>("fileText");
        QTest::addColumn<QStringList>("writes"); // key=true|false written through the store
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("fresh installation")
            << QByteArray() << QStringList()
            << QStringList{"absent", "absent", "absent", "true", "false", "false"};
        QTest::newRow("written through the store")
            << QByteArray()
            << QStringList{"keepRunningInMenuBarWhenQuitting=false", "didCompleteInitialSetup=true"}
            << QStringList{"false", "true", "absent", "false", "true", "false"};
        QTest::newRow("text under the keep-running key reads as true")
            << QByteArray("[General]\nkeepRunningInMenuBarWhenQuitting=sometimes\n") << QStringList()
            << QStringList{"notBoolean", "absent", "absent", "true", "false", "false"};
        QTest::newRow("1 and 0 are Booleans")
            << QByteArray("[General]\ndidCompleteInitialSetup=1\ndidCompleteGuidedExperience=0\n")
            << QStringList() << QStringList{"absent", "true", "false", "true", "true", "false"};
        QTest::newRow("other spellings are not Booleans")
            << QByteArray("[General]\nkeepRunningInMenuBarWhenQuitting=0\ndidCompleteInitialSetup=TRUE\n"
                          "didCompleteGuidedExperience=yes\n")
            << QStringList() << QStringList{"false", "notBoolean", "notBoolean", "false", "false", "false"};
    }
    void storedBooleansSurviveARestartAndReadStrictly() {
        QFETCH(QByteArray, fileText);
        QFETCH(QStringList, writes);
        QFETCH(QStringList, expected);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"preferences.ini"_qs);
        if (!fileText.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(fileText);
        }
        {
            auto preferences = CompanionPreferences::inFile(path);
            for (const QString& write : writes) {
                const auto parts = write.split(u'=');
                preferences.setBool(QLatin1String(parts[0].toLatin1()), parts[1] == u"true");
            }
            preferences.synchronize();
        }

        QProcess reader;
        reader.start(QCoreApplication::applicationFilePath(), {u"--describe-preferences"_qs, path});
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(reader.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
                 expected);
    }

    void computerNameTakesTheFirstNonBlankSource_data() {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pretty name") << QStringList{" Study Computer\n", "study-box", "study-box"}
                                     << u"Study Computer"_qs;
        QTest::newRow("host name") << QStringList{"  ", "study-box", "other"} << u"study-box"_qs;
        QTest::newRow("process host name") << QStringList{"", "", " other "} << u"other"_qs;
        QTest::newRow("nothing") << QStringList{"", "\n", " "} << u"My Mac"_qs;
    }
    void computerNameTakesTheFirstNonBlankSource() {
        QFETCH(QStringList, sources);
        QFETCH(QString, expected);
        QCOMPARE(MacDeviceName({sources[0], sources[1], sources[2]}).computerName(), expected);
    }

    void shouldPreferComputerName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("blank") << u"   "_qs << true;
        QTest::newRow("My Mac") << u" My Mac "_qs << true;
        QTest::newRow("host name") << u"janes-box"_qs << true;
        QTest::newRow("host name, other punctuation and case") << u"Janes_Box"_qs << true;
        QTest::newRow("process host name, unicode letters") << u"jänes box 2"_qs << true;
        QTest::newRow("local host name") << u"janes-box.local"_qs << true;
        QTest::newRow("trailing .local in any case") << u"Janes-Box.LOCAL"_qs << true;
        QTest::newRow("a leading .local is part of the name") << u".localjanes-box"_qs << false;
        QTest::newRow("other domain") << u"janes-box.lan"_qs << false;
        QTest::newRow("chosen name") << u"Living Room"_qs << false;
        QTest::newRow("pretty name is not a host name") << u"Study Computer"_qs << false;
        QTest::newRow("my mac in lower case") << u"my mac"_qs << false;
        QTest::newRow("only .local") << u".local"_qs << false;
    }
    void shouldPreferComputerName() {
        QFETCH(QString, name);
        QFETCH(bool, expected);
        const MacDeviceName device({u"Study Computer"_qs, u"janes-box"_qs, u"Jänes-Box-2"_qs});

        QCOMPARE(device.shouldPreferComputerName(name), expected);
    }

    void prettyHostNameFromMachineInfo_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double quotes with escapes")
            << QByteArray("CHASSIS=laptop\nPRETTY_HOSTNAME=\"Jane's \\\"Box\\\"\"\n") << u"Jane's \"Box\""_qs;
        QTest::newRow("single quotes")
            << QByteArray("PRETTY_HOSTNAME='Study \\ Room'") << u"Study \\ Room"_qs;
        QTest::newRow("bare") << QByteArray("PRETTY_HOSTNAME=Plain") << u"Plain"_qs;
        QTest::newRow("utf-8") << QByteArray("PRETTY_HOSTNAME=\"J\xc3\xa4ne\"") << u"Jäne"_qs;
        QTest::newRow("missing") << QByteArray("DEPLOYMENT=production\n") << QString();
    }
    void prettyHostNameFromMachineInfo() {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(MacDeviceName::prettyHostName(text), expected);
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
