#include "supervision/CompanionPaths.h"
#include "update/CompanionUpdateInstaller.h"

#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>

#include <signal.h>
#include <unistd.h>

namespace {

enum class App { Exits, IgnoresTerm, NeverGoes };
enum class Image { Good, WithoutApp, Garbage };
enum class Pkexec { Refuses, Grants };

void writeFile(const QString& path, const QByteArray& text, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
    if (executable) {
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bundle whose executable notes its label in $VC_TEST_MARKER when started.
void makeBundle(const QString& path, const QByteArray& label) {
    writeFile(path + QStringLiteral("/Contents/label"), label);
    writeFile(path + QStringLiteral("/Contents/MacOS/vendrilo-connect"),
              "#!/bin/sh\necho " + label + " >> \"$VC_TEST_MARKER\"\n", true);
}

QStringList updateTempDirs() {
    return QDir(QStringLiteral("/tmp")).entryList({QStringLiteral("VendriloConnectUpdate*")}, QDir::Dirs);
}

// Every path goes through a folder whose name a careless script would run or split.
struct Sandbox {
    QTemporaryDir root;
    QString base = root.filePath(QStringLiteral("-q 'x' \"y\" $(touch pwned) `touch pwned`"));
    QString applications = base + QStringLiteral("/Applications");
    QString target = applications + QStringLiteral("/Vendrilo Connect.app");
    QString image = base + QStringLiteral("/VendriloConnect-1.4.0.dmg");
    QString script = base + QStringLiteral("/install-update-1.4.0.sh");
    QString log = base + QStringLiteral("/Updates/update-installer.log");
    QString result = base + QStringLiteral("/Updates/last-update-result.txt");
    QString marker = root.filePath(QStringLiteral("started"));
    QString bin = root.filePath(QStringLiteral("bin"));
    bool locked = false;

    Sandbox(Image image, Pkexec pkexec) {
        makeBundle(target, "old");
        QDir().mkpath(QFileInfo(result).path());
        CompanionUpdateInstaller().writeInstallerScript(script);
        writeFile(bin + QStringLiteral("/pkexec"),
                  pkexec == Pkexec::Grants ? "#!/bin/sh\nchattr -i \"$VC_TEST_LOCKED\" && exec \"$@\"\n"
                                           : "#!/bin/sh\nexit 126\n",
                  true);
        const QString staging = root.filePath(QStringLiteral("staging"));
        if (image == Image::Garbage) {
            writeFile(this->image, "not an archive");
            return;
        }
        const QString entry =
            image == Image::Good ? QStringLiteral("Vendrilo Connect.app") : QStringLiteral("README");
        image == Image::Good ? makeBundle(staging + u'/' + entry, "new")
                             : writeFile(staging + u'/' + entry, "none");
        QCOMPARE(QProcess::execute(QStringLiteral("tar"), {QStringLiteral("-czf"), this->image,
                                                           QStringLiteral("-C"), staging, entry}),
                 0);
    }
    ~Sandbox() { unlock(); }

    bool lock() {
        return locked =
                   QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), applications}) == 0;
    }
    void unlock() {
        if (locked) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), applications});
        }
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PATH"), bin + u':' + env.value(QStringLiteral("PATH")));
        env.insert(QStringLiteral("VC_TEST_MARKER"), marker);
        env.insert(QStringLiteral("VC_TEST_LOCKED"), applications);
        return env;
    }
};

// The app the script waits for: a child we reap (so it vanishes when it ends),
// or one that exited unreaped and so stays in the process table whatever it is sent.
struct FakeApp {
    QProcess process;
    pid_t zombie = 0;
    qint64 pid = 0;

    explicit FakeApp(App kind) {
        if (kind == App::NeverGoes) {
            zombie = fork();
            if (zombie == 0) {
                _exit(0);
            }
            pid = zombie;
            return;
        }
        process.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), kind == App::Exits
                                                 ? QStringLiteral("sleep 0.3")
                                                 : QStringLiteral("trap '' TERM; exec sleep 30")});
        process.waitForStarted();
        pid = process.processId();
    }
    ~FakeApp() {
        if (zombie > 0) {
            waitpid(zombie, nullptr, 0);
        }
        process.kill();
        process.waitForFinished();
    }
};

} // namespace

class InstallerScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("VENDRILO_CONNECT_INSTALLER_TICK")) {
            qputenv("VENDRILO_CONNECT_INSTALLER_TICK", "0.01");
        }
    }

    void replacesTheBundleOrRecordsWhyNot_data() {
        QTest::addColumn<App>("app");
        QTest::addColumn<Image>("image");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("expectedResult");
        QTest::addColumn<QString>("expectedBundle"); // also the bundle started at the end
        QTest::addColumn<QString>("expectedLog");
        QTest::newRow("success") << App::Exits << Image::Good << false << "1.4.0"
                                 << "success\t1.4.0\tUpdated successfully."
                                 << "new"
                                 << "Opening updated app at %T";
        QTest::newRow("label with a tab and a newline")
            << App::Exits << Image::Good << false << "1.4.0\tbeta\nx"
            << "success\t1.4.0 beta x\tUpdated successfully."
            << "new"
            << "Installing update 1.4.0\tbeta\nx from /tmp/VendriloConnectUpdateApp.";
        QTest::newRow("image without an app")
            << App::Exits << Image::WithoutApp << false << "1.4.0"
            << "failure\t1.4.0\tThe downloaded update did not contain a macOS app bundle."
            << "old"
            << "No app bundle found in mounted image";
        QTest::newRow("unreadable image") << App::Exits << Image::Garbage << false << "1.4.0"
                                          << "failure\t1.4.0\tCould not open the downloaded update image."
                                          << "old"
                                          << "Failed to mount %I";
        QTest::newRow("app ignores SIGTERM") << App::IgnoresTerm << Image::Good << false << "1.4.0"
                                             << "success\t1.4.0\tUpdated successfully."
                                             << "new"
                                             << "Process %P ignored SIGTERM, sending SIGKILL";
        QTest::newRow("app never goes") << App::NeverGoes << Image::Good << false << "1.4.0"
                                        << "failure\t1.4.0\tTimed out waiting for Vendrilo Connect to quit."
                                        << "old"
                                        << "Timed out waiting for process %P to exit after escalation";
        QTest::newRow("locked folder, no administrator rights")
            << App::Exits << Image::Good << true << "1.4.0"
            << "failure\t1.4.0\tVendrilo Connect could not install the update."
            << "old"
            << "Direct install failed, requesting administrator privileges";
    }
    void replacesTheBundleOrRecordsWhyNot() {
        QFETCH(App, app);
        QFETCH(Image, image);
        QFETCH(bool, locked);
        QFETCH(QString, version);
        QFETCH(QString, expectedResult);
        QFETCH(QString, expectedBundle);
        QFETCH(QString, expectedLog);
        Sandbox box(image, Pkexec::Refuses);
        if (locked && !box.lock()) {
            QSKIP("chattr +i needs root on a file system that supports it");
        }
        FakeApp fake(app);
        const QStringList tempDirsBefore = updateTempDirs();

        QProcess script;
        script.setProcessEnvironment(box.environment());
        script.setWorkingDirectory(box.root.path());
        script.start(QStringLiteral("/bin/zsh"), {box.script, QString::number(fake.pid), version, box.image,
                                                  box.target, box.log, box.result, box.script});
        // Spin the event loop meanwhile: it is what reaps the fake app once it ends.
        QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 20000);
        QCOMPARE(script.exitCode(), expectedResult.startsWith(u"success") ? 0 : 1);
        box.unlock();

        QCOMPARE(QString::fromUtf8(readFile(box.result)), expectedResult + u'\n');
        QCOMPARE(readFile(box.target + QStringLiteral("/Contents/label")), expectedBundle.toUtf8());
        QTRY_COMPARE(readFile(box.marker), expectedBundle.toUtf8() + '\n');
        QCOMPARE(QDir(box.applications).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Vendrilo Connect.app")});
        QCOMPARE(QFile::exists(box.image), !expectedResult.startsWith(u"success"));
        QCOMPARE(updateTempDirs(), tempDirsBefore);
        QVERIFY(!QFile::exists(box.root.filePath(QStringLiteral("pwned"))));

        const QString log = QString::fromUtf8(readFile(box.log));
        const QString pid = QString::number(fake.pid);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] Waiting for "
                                              "Vendrilo Connect process %1 to exit\n")
                                   .arg(pid))
                .match(log)
                .hasMatch(),
            qPrintable(log));
        expectedLog.replace(QStringLiteral("%T"), box.target)
            .replace(QStringLiteral("%I"), box.image)
            .replace(QStringLiteral("%P"), pid);
        QVERIFY2(log.contains(u"] " + expectedLog), qPrintable(log));
        QCOMPARE(log.contains(QStringLiteral("sending SIGTERM")), app != App::Exits);
    }

    // The privileged half alone: the copy fails after the old bundle was moved aside.
    void privilegedInstallRestoresThePreviousBundle() {
        Sandbox box(Image::Good, Pkexec::Refuses);
        const QString backup = box.applications + QStringLiteral("/Vendrilo Connect.previous.app");
        QProcess script;
        script.start(QStringLiteral("/bin/zsh"),
                     {box.script, QStringLiteral("--install-only"),
                      box.root.filePath(QStringLiteral("missing.app")), box.target, backup, box.log,
                      box.result, QStringLiteral("1.4.0")});
        QVERIFY(script.waitForFinished(10000));
        QCOMPARE(script.exitCode(), 1);
        QCOMPARE(readFile(box.result), QByteArray("failure\t1.4.0\tCould not replace the existing app.\n"));
        QCOMPARE(readFile(box.target + QStringLiteral("/Contents/label")), QByteArray("old"));
        QVERIFY(!QFileInfo::exists(backup));
        QVERIFY(readFile(box.log).contains(
            QByteArray("] Privileged install failed for " + box.target.toUtf8() + '\n')));
    }

    // Through the app's own entry points: the script written from the resource,
    // started detached with the installer's argument order; the locked folder
    // forces the privileged path, which needs the script's own path.
    void launchedInstallerOutlivesItsStarter() {
        Sandbox box(Image::Good, Pkexec::Grants);
        if (!box.lock()) {
            QSKIP("chattr +i needs root on a file system that supports it");
        }
        const QByteArray savedPath = qgetenv("PATH");
        const QByteArray savedData = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", savedPath);
            savedData.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedData);
        });
        qputenv("PATH", box.bin.toUtf8() + ':' + savedPath);
        qputenv("XDG_DATA_HOME", box.root.filePath(QStringLiteral("data")).toUtf8());
        qputenv("VC_TEST_MARKER", box.marker.toUtf8());
        qputenv("VC_TEST_LOCKED", box.applications.toUtf8());
        CompanionPaths::ensureDirectories();
        const QString script = CompanionPaths::installerScriptFile(QStringLiteral("1.4.0"));

        CompanionUpdateInstaller installer;
        installer.writeInstallerScript(script);
        struct stat mode {};
        QVERIFY(::stat(qPrintable(script), &mode) == 0);
        QCOMPARE(mode.st_mode & 07777, 0755u);
        QCOMPARE(readFile(script), CompanionUpdateInstaller::installerScript());
        FakeApp fake(App::Exits);
        installer.launchInstaller(script, fake.pid, QStringLiteral("1.4.0"), box.image, box.target);

        QTRY_COMPARE_WITH_TIMEOUT(readFile(CompanionPaths::updateResultFile()),
                                  QByteArray("success\t1.4.0\tUpdated successfully.\n"), 20000);
        box.locked = false; // the stand-in unlocked it
        QCOMPARE(readFile(box.target + QStringLiteral("/Contents/label")), QByteArray("new"));
        QTRY_COMPARE(readFile(box.marker), QByteArray("new\n"));
        QVERIFY(readFile(CompanionPaths::installerLog())
                    .contains(QByteArray("] Installed update 1.4.0 into " + box.target.toUtf8())));
    }
};

QTEST_GUILESS_MAIN(InstallerScriptTest)
#include "tst_installerscript.moc"
