#include "update/CompanionUpdateInstaller.h"

#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

namespace {

enum class App { Exits, IgnoresTerm, NeverGoes };
enum class Image { Good, WithoutApp, Garbage };
enum class Rights { NotNeeded, Refused, Granted };

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

    // The pkexec stand-in on PATH either refuses or "grants" by unlocking the folder.
    explicit Sandbox(Image kind = Image::Good, Rights rights = Rights::Refused) {
        makeBundle(target, "old");
        CompanionUpdateInstaller().writeInstallerScript(script);
        struct stat mode {};
        QVERIFY(::stat(qPrintable(script), &mode) == 0 && (mode.st_mode & 07777) == 0755);
        writeFile(bin + "/pkexec",
                  rights == Rights::Granted ? "#!/bin/sh\nchattr -i \"$VC_TEST_LOCKED\" && exec \"$@\"\n"
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
    bool lock() { return QProcess::execute("chattr", {"+i", applications}) == 0; }
    // Clearing the flag of a folder that never had it, or had it cleared already, is harmless.
    void unlock() { QProcess::execute("chattr", {"-i", applications}); }
    QString label() const { return QString::fromUtf8(readFile(target + "/Contents/label")); }
};

} // namespace

class InstallerScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // Every wait of the script, from 0.25 s down to 10 ms.
        qputenv("VENDRILO_CONNECT_INSTALLER_TICK", "0.01");
    }

    void replacesTheBundleOrRecordsWhyNot_data() {
        QTest::addColumn<App>("app");
        QTest::addColumn<Image>("image");
        QTest::addColumn<Rights>("rights");
        QTest::addColumn<QString>("version");
        // The result line; a success leaves the new bundle, anything else the old one.
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("logLine"); // %T target, %I image, %P process id
        const auto row = [](const char* name, App app, Image image, Rights rights, const char* version,
                            const char* expected, const char* logLine) {
            QTest::newRow(name) << app << image << rights << version << expected << logLine;
        };
        const char* updated = "success\t1.4.0\tUpdated successfully.";
        row("success", App::Exits, Image::Good, Rights::NotNeeded, "1.4.0", updated,
            "Opening updated app at %T");
        row("tab and newline in the label", App::Exits, Image::Good, Rights::NotNeeded, "1.4.0\tbeta\nx",
            "success\t1.4.0 beta x\tUpdated successfully.", "Installing update 1.4.0\tbeta\nx from /tmp/");
        row("image without an app", App::Exits, Image::WithoutApp, Rights::NotNeeded, "1.4.0",
            "failure\t1.4.0\tThe downloaded update did not contain a macOS app bundle.",
            "No app bundle found in mounted image");
        row("unreadable image", App::Exits, Image::Garbage, Rights::NotNeeded, "1.4.0",
            "failure\t1.4.0\tCould not open the downloaded update image.", "Failed to mount %I");
        row("app ignores SIGTERM", App::IgnoresTerm, Image::Good, Rights::NotNeeded, "1.4.0", updated,
            "Process %P ignored SIGTERM, sending SIGKILL");
        row("app never goes", App::NeverGoes, Image::Good, Rights::NotNeeded, "1.4.0",
            "failure\t1.4.0\tTimed out waiting for Vendrilo Connect to quit.",
            "Timed out waiting for process %P to exit after escalation");
        row("locked folder, rights refused", App::Exits, Image::Good, Rights::Refused, "1.4.0",
            "failure\t1.4.0\tVendrilo Connect could not install the update.",
            "Privileged install was cancelled or failed");
        // The privileged run needs the script's own path and records the result itself.
        row("locked folder, rights granted", App::Exits, Image::Good, Rights::Granted, "1.4.0", updated,
            "Installed update 1.4.0 into %T");
    }
    void replacesTheBundleOrRecordsWhyNot() {
        QFETCH(App, app);
        QFETCH(Image, image);
        QFETCH(Rights, rights);
        QFETCH(QString, version);
        QFETCH(QString, expected);
        QFETCH(QString, logLine);
        Sandbox box(image, rights);
        if (rights != Rights::NotNeeded && !box.lock()) {
            QSKIP("chattr +i needs root on a file system that supports it");
        }
        // The app the script waits for: a child reaped by the event loop once it ends, or
        // one that already exited unreaped and so stays in the process table whatever it is sent.
        QProcess fake;
        pid_t zombie = 0;
        const auto reap = qScopeGuard([&] {
            if (zombie > 0) {
                waitpid(zombie, nullptr, 0);
            }
            fake.kill();
            fake.waitForFinished();
        });
        if (app == App::NeverGoes && (zombie = fork()) == 0) {
            _exit(0);
        }
        if (app != App::NeverGoes) {
            fake.start("/bin/sh", {"-c", app == App::Exits ? "sleep 0.3" : "trap '' TERM; exec sleep 30"});
            QVERIFY(fake.waitForStarted());
        }
        const QString pid = QString::number(zombie > 0 ? zombie : fake.processId());
        const QStringList tempDirs = scriptTempDirs();
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", box.bin + u':' + env.value("PATH"));
        script.setProcessEnvironment(env);
        script.setWorkingDirectory(box.root.path());
        script.start("/bin/zsh",
                     {box.script, pid, version, box.image, box.target, box.log, box.result, box.script});
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

        const QString log = QString::fromUtf8(readFile(box.log));
        const QRegularExpression first("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] Waiting for "
                                       "Vendrilo Connect process (\\d+) to exit\n");
        QCOMPARE(first.match(log).captured(1), pid);
        logLine.replace("%T", box.target).replace("%I", box.image).replace("%P", pid);
        QVERIFY2(log.contains("] " + logLine), qPrintable(log));
        QCOMPARE(log.contains("sending SIGTERM"), app != App::Exits);
    }

    // The privileged half alone, when the copy fails after the old bundle was moved aside.
    void privilegedInstallRestoresThePreviousBundle() {
        Sandbox box;
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
                    .contains("] Privileged install failed for " + box.target + u'\n'));
    }
};

QTEST_GUILESS_MAIN(InstallerScriptTest)
#include "tst_installerscript.moc"
