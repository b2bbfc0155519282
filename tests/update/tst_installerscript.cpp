#include "supervision/CompanionPaths.h"
#include "update/CompanionUpdateInstaller.h"

#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

namespace {

enum class App { Exits, IgnoresTerm, NeverGoes };
enum class Image { Good, WithoutApp, Garbage };

void writeFile(const QString& path, const QByteArray& text, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    QVERIFY(!executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bundle whose executable appends its label to $VC_TEST_MARKER when started.
void makeBundle(const QString& path, const QByteArray& label) {
    writeFile(path + "/Contents/label", label);
    writeFile(path + "/Contents/MacOS/vendrilo-connect",
              "#!/bin/sh\necho " + label + " >>\"$VC_TEST_MARKER\"\n", true);
}

QStringList scriptTempDirs() {
    return QDir("/tmp").entryList({"VendriloConnectUpdate*"}, QDir::Dirs);
}

// Every path runs through a folder whose name a careless script would split or execute.
struct Sandbox {
    QTemporaryDir root;
    QString base = root.filePath("-q 'x' \"y\" $(touch pwned) `touch pwned`");
    QString applications = base + "/Applications", target = applications + "/Vendrilo Connect.app";
    QString image = base + "/VendriloConnect-1.4.0.dmg", script = base + "/install-update-1.4.0.sh";
    QString log = base + "/Updates/update-installer.log", result = base + "/Updates/last-update-result.txt";
    QString marker = root.filePath("started"), bin = root.filePath("bin");
    bool locked = false;

    // The pkexec stand-in either refuses or "grants" by unlocking the folder.
    Sandbox(Image kind, bool pkexecGrants) {
        makeBundle(target, "old");
        QDir().mkpath(base + "/Updates");
        CompanionUpdateInstaller().writeInstallerScript(script);
        writeFile(bin + "/pkexec",
                  pkexecGrants ? "#!/bin/sh\nchattr -i \"$VC_TEST_LOCKED\" && exec \"$@\"\n"
                               : "#!/bin/sh\nexit 126\n",
                  true);
        const QString entry = kind == Image::Good ? "Vendrilo Connect.app" : "README";
        kind == Image::Good ? makeBundle(root.filePath("s/") + entry, "new")
                            : writeFile(root.filePath("s/") + entry, "-");
        QCOMPARE(kind == Image::Garbage
                     ? (writeFile(image, "not an archive"), 0)
                     : QProcess::execute("tar", {"-czf", image, "-C", root.filePath("s"), entry}),
                 0);
        qputenv("VC_TEST_MARKER", marker.toUtf8());
        qputenv("VC_TEST_LOCKED", applications.toUtf8());
    }
    ~Sandbox() { unlock(); }
    bool lock() { return locked = QProcess::execute("chattr", {"+i", applications}) == 0; }
    // Whoever unlocked it before, clearing the flag again is harmless.
    void unlock() {
        if (locked) {
            QProcess::execute("chattr", {"-i", applications});
        }
    }
    QString label() const { return QString::fromUtf8(readFile(target + "/Contents/label")); }
};

// The app the script waits for: a child reaped by the event loop once it ends, or
// one that already exited unreaped and so stays in the process table whatever it is sent.
struct FakeApp {
    QProcess process;
    qint64 pid = 0;
    pid_t zombie = 0;
    explicit FakeApp(App kind) {
        if (kind == App::NeverGoes) {
            if ((zombie = fork()) == 0) {
                _exit(0);
            }
            pid = zombie;
            return;
        }
        process.start("/bin/sh", {"-c", kind == App::Exits ? "sleep 0.3" : "trap '' TERM; exec sleep 30"});
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
        // The result line; a success leaves the new bundle, anything else the old one.
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("logLine"); // %T target, %I image, %P process id
        const auto row = [](const char* name, App app, Image image, bool locked, const char* version,
                            const char* expected, const char* logLine) {
            QTest::newRow(name) << app << image << locked << version << expected << logLine;
        };
        row("success", App::Exits, Image::Good, false, "1.4.0", "success\t1.4.0\tUpdated successfully.",
            "Opening updated app at %T");
        row("tab and newline in the label", App::Exits, Image::Good, false, "1.4.0\tbeta\nx",
            "success\t1.4.0 beta x\tUpdated successfully.", "Installing update 1.4.0\tbeta\nx from /tmp/");
        row("image without an app", App::Exits, Image::WithoutApp, false, "1.4.0",
            "failure\t1.4.0\tThe downloaded update did not contain a macOS app bundle.",
            "No app bundle found in mounted image");
        row("unreadable image", App::Exits, Image::Garbage, false, "1.4.0",
            "failure\t1.4.0\tCould not open the downloaded update image.", "Failed to mount %I");
        row("app ignores SIGTERM", App::IgnoresTerm, Image::Good, false, "1.4.0",
            "success\t1.4.0\tUpdated successfully.", "Process %P ignored SIGTERM, sending SIGKILL");
        row("app never goes", App::NeverGoes, Image::Good, false, "1.4.0",
            "failure\t1.4.0\tTimed out waiting for Vendrilo Connect to quit.",
            "Timed out waiting for process %P to exit after escalation");
        row("locked folder, rights refused", App::Exits, Image::Good, true, "1.4.0",
            "failure\t1.4.0\tVendrilo Connect could not install the update.",
            "Privileged install was cancelled or failed");
    }
    void replacesTheBundleOrRecordsWhyNot() {
        QFETCH(App, app);
        QFETCH(Image, image);
        QFETCH(bool, locked);
        QFETCH(QString, version);
        QFETCH(QString, expected);
        QFETCH(QString, logLine);
        Sandbox box(image, false);
        if (locked && !box.lock()) {
            QSKIP("chattr +i needs root on a file system that supports it");
        }
        FakeApp fake(app);
        const QStringList tempDirs = scriptTempDirs();
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", box.bin + u':' + env.value("PATH"));
        script.setProcessEnvironment(env);
        script.setWorkingDirectory(box.root.path());
        script.start("/bin/zsh", {box.script, QString::number(fake.pid), version, box.image, box.target,
                                  box.log, box.result, box.script});
        // Spinning the event loop is what reaps the fake app once it ends.
        QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 20000);
        box.unlock();

        const bool success = expected.startsWith(u"success");
        QCOMPARE(script.exitCode(), success ? 0 : 1);
        QCOMPARE(QString::fromUtf8(readFile(box.result)), expected + u'\n');
        QCOMPARE(box.label(), success ? "new" : "old");
        QTRY_COMPARE(readFile(box.marker), success ? "new\n" : "old\n");
        QCOMPARE(QDir(box.applications).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"Vendrilo Connect.app"});
        QCOMPARE(QFile::exists(box.image), !success);
        QCOMPARE(scriptTempDirs(), tempDirs);
        QVERIFY(!QFile::exists(box.root.filePath("pwned")));

        const QString log = QString::fromUtf8(readFile(box.log)), pid = QString::number(fake.pid);
        const QRegularExpression first("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] Waiting for "
                                       "Vendrilo Connect process (\\d+) to exit\n");
        QCOMPARE(first.match(log).captured(1), pid);
        logLine.replace("%T", box.target).replace("%I", box.image).replace("%P", pid);
        QVERIFY2(log.contains("] " + logLine), qPrintable(log));
        QCOMPARE(log.contains("sending SIGTERM"), app != App::Exits);
    }

    // The privileged half alone, when the copy fails after the old bundle was moved aside.
    void privilegedInstallRestoresThePreviousBundle() {
        Sandbox box(Image::Good, false);
        const QString backup = box.applications + "/Vendrilo Connect.previous.app";
        QProcess script;
        script.start("/bin/zsh", {box.script, "--install-only", box.root.filePath("missing.app"), box.target,
                                  backup, box.log, box.result, "1.4.0"});
        QVERIFY(script.waitForFinished(10000));
        QCOMPARE(script.exitCode(), 1);
        QCOMPARE(readFile(box.result), "failure\t1.4.0\tCould not replace the existing app.\n");
        QCOMPARE(box.label(), "old");
        QVERIFY(!QFileInfo::exists(backup));
        QVERIFY(QString::fromUtf8(readFile(box.log))
                    .contains("] Privileged install failed for " + box.target + '\n'));
    }

    // Through the app's entry points: the script written from the resource and
    // started detached in the installer's argument order; the locked folder takes
    // the privileged path, which needs the script's own path.
    void launchedInstallerReplacesTheBundle() {
        Sandbox box(Image::Good, true);
        if (!box.lock()) {
            QSKIP("chattr +i needs root on a file system that supports it");
        }
        const QByteArray path = qgetenv("PATH"), data = qgetenv("XDG_DATA_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qputenv("XDG_DATA_HOME", data);
        });
        qputenv("PATH", box.bin.toUtf8() + ':' + path);
        qputenv("XDG_DATA_HOME", box.root.filePath("data").toUtf8());
        CompanionPaths::ensureDirectories();
        const QString script = CompanionPaths::installerScriptFile("1.4.0");
        CompanionUpdateInstaller installer;
        installer.writeInstallerScript(script);
        struct stat mode {};
        QVERIFY(::stat(qPrintable(script), &mode) == 0 && (mode.st_mode & 07777) == 0755);
        QCOMPARE(readFile(script), CompanionUpdateInstaller::installerScript());

        FakeApp fake(App::Exits);
        installer.launchInstaller(script, fake.pid, "1.4.0", box.image, box.target);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(CompanionPaths::updateResultFile()),
                                  "success\t1.4.0\tUpdated successfully.\n", 20000);
        QCOMPARE(box.label(), "new");
        QTRY_COMPARE(readFile(box.marker), "new\n");
        QVERIFY(QString::fromUtf8(readFile(CompanionPaths::installerLog()))
                    .contains("] Installed update 1.4.0 into " + box.target));
    }
};

QTEST_GUILESS_MAIN(InstallerScriptTest)
#include "tst_installerscript.moc"
