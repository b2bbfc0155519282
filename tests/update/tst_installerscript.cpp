#include "common/FileText.h"
#include "update/CompanionUpdateInstaller.h"

#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

namespace {

enum class App { Exits, IgnoresTerm, NeverGoes, IgnoresTermBriefly };
enum class Image { Good, WithoutApp, Garbage, OtherApp };
enum class Rights { NotNeeded, Refused, Granted };
// What stands at the target: this app (beside the backup of an earlier update), or
// something the script must leave alone.
enum class Target { Bundle, BundleAndOldBackup, PlainFolder, WithoutPlist, OtherApp };
// Copying into the target and moving the backup back fail in the direct run, or in both runs.
enum class Fault { None, CopyDirect, CopyAndRestoreDirect, CopyAlwaysRestoreDirect, CopyAndRestoreAlways };

const QByteArray ourIdentifier = "app.vendrilo.connect";

// A bundle whose executable appends its label to $VC_TEST_MARKER when started.
void makeBundle(const QString& path, const QByteArray& label, const QByteArray& identifier = ourIdentifier) {
    QVERIFY(writeFile(path + "/Contents/label", label));
    QVERIFY(writeFile(path + "/Contents/MacOS/vendrilo-connect",
                      "#!/bin/sh\necho " + label + " >>\"$VC_TEST_MARKER\"\n", true));
    QVERIFY(identifier.isEmpty() || writeFile(path + "/Contents/Info.plist",
                                              "<plist><dict>\n\t<key>CFBundleIdentifier</key>\n\t<string>" +
                                                  identifier + "</string>\n</dict></plist>"));
}

// Stand-ins for cp and mv that fail as $VC_TEST_FAIL_COPY and $VC_TEST_FAIL_RESTORE ask ("direct"
// spares the privileged run):
// a copy into the target leaves a half-made folder, moving the backup back is refused.
const QByteArray faultyCopy = R"(#!/bin/sh
for last; do :; done
case "$last:$VC_TEST_FAIL_COPY:${VC_TEST_PRIVILEGED-}" in
  "$VC_TEST_TARGET:always:"*|"$VC_TEST_TARGET:direct:") mkdir -p "$last/Contents"; exit 1 ;;
esac
exec /bin/cp "$@"
)";
const QByteArray faultyMove = R"(#!/bin/sh
for last; do :; done
case "$last:$VC_TEST_FAIL_RESTORE:${VC_TEST_PRIVILEGED-}" in
  "$VC_TEST_TARGET:always:"*|"$VC_TEST_TARGET:direct:") [ "$3" = "$VC_TEST_BACKUP" ] && exit 1 ;;
esac
exec /bin/mv "$@"
)";

// A stand-in for mktemp that notes what it made: the script's folders in the shared /tmp
// are told apart from those of other programs running at the same time.
const QByteArray notingMktemp = R"(#!/bin/sh
made=$(/usr/bin/mktemp "$@") || exit 1
echo "$made" >>"$VC_TEST_TEMPS"
echo "$made"
)";

// Every path runs through a folder whose name a careless script would split or execute.
struct Sandbox {
    QTemporaryDir root;
    QString base = root.filePath("-q 'x' \"y\" $(touch pwned) `touch pwned`");
    QString applications = base + "/Applications", target = applications + "/Vendrilo Connect.app";
    QString backup = applications + "/Vendrilo Connect.previous.app";
    QString image = base + "/VendriloConnect-1.4.0.dmg", script = base + "/install-update-1.4.0.sh";
    QString log = base + "/Updates/update-installer.log", result = base + "/Updates/last-update-result.txt";
    QString marker = root.filePath("started"), bin = root.filePath("bin"), temps = root.filePath("temps");

    // The pkexec stand-in on PATH either refuses or "grants" by unlocking the folder.
    explicit Sandbox(Image kind = Image::Good, Rights rights = Rights::Refused, Target at = Target::Bundle) {
        makeBundle(target, "old", at == Target::OtherApp ? "org.example.other" : ourIdentifier);
        if (at == Target::BundleAndOldBackup) {
            makeBundle(backup, "older");
        }
        if (at == Target::WithoutPlist) {
            QVERIFY(QFile::remove(target + "/Contents/Info.plist"));
        }
        QVERIFY(writeFile(applications + "/notes.txt", "keep"));
        CompanionUpdateInstaller().writeInstallerScript(script);
        struct stat mode {};
        QVERIFY(::stat(qPrintable(script), &mode) == 0 && (mode.st_mode & 07777) == 0755);
        QVERIFY(writeFile(
            bin + "/pkexec",
            rights == Rights::Granted
                ? "#!/bin/sh\nchattr -i \"$VC_TEST_LOCKED\" 2>/dev/null\nVC_TEST_PRIVILEGED=1 exec \"$@\"\n"
                : "#!/bin/sh\nexit 126\n",
            true));
        QVERIFY(writeFile(bin + "/cp", faultyCopy, true) && writeFile(bin + "/mv", faultyMove, true) &&
                writeFile(bin + "/mktemp", notingMktemp, true));
        const QString entry =
            kind == Image::WithoutApp || kind == Image::Garbage ? "README" : "Vendrilo Connect.app";
        if (kind == Image::WithoutApp || kind == Image::Garbage) {
            QVERIFY(writeFile(root.filePath("s/") + entry, "-"));
        } else {
            makeBundle(root.filePath("s/") + entry, "new",
                       kind == Image::OtherApp ? "org.example.other" : ourIdentifier);
        }
        QCOMPARE(kind == Image::Garbage
                     ? (writeFile(image, "not an archive") ? 0 : 1)
                     : QProcess::execute("tar", {"-czf", image, "-C", root.filePath("s"), entry}),
                 0);
        qputenv("VC_TEST_MARKER", marker.toUtf8());
        qputenv("VC_TEST_TEMPS", temps.toUtf8());
        qputenv("VC_TEST_LOCKED", applications.toUtf8());
        qputenv("VC_TEST_TARGET", target.toUtf8());
        qputenv("VC_TEST_BACKUP", backup.toUtf8());
    }
    ~Sandbox() { unlock(); }
    bool lock() { return QProcess::execute("chattr", {"+i", applications}) == 0; }
    // Clearing the flag of a folder that never had it, or had it cleared already, is harmless.
    void unlock() { QProcess::execute("chattr", {"-i", applications}); }
    // What the Applications folder holds: each entry with the label of the bundle in it.
    QStringList contents() const {
        QStringList entries;
        for (const QString& name : QDir(applications).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            const QByteArray label = readFile(applications + u'/' + name + "/Contents/label");
            entries << (label.isEmpty() ? name : name + u'=' + QString::fromUtf8(label));
        }
        return entries;
    }
};

} // namespace

class InstallerScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replacesTheBundleOrRecordsWhyNot_data() {
        QTest::addColumn<App>("app");
        QTest::addColumn<Image>("image");
        QTest::addColumn<Rights>("rights");
        QTest::addColumn<Target>("target");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("tick"); // the pace asked for through the environment
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("expected"); // the result line
        QTest::addColumn<QStringList>("left"); // the Applications folder afterwards
        QTest::addColumn<QString>("started");  // labels of the bundles opened afterwards
        QTest::addColumn<QString>("logLine");  // %T target, %B backup, %I image, %P process id
        const auto row = [](const char* name, App app, Image image, Rights rights, Target target, Fault fault,
                            const char* tick, const char* version, const char* expected, const char* left,
                            const char* started, const char* logLine) {
            QTest::newRow(name) << app << image << rights << target << fault << tick << version << expected
                                << QString::fromUtf8(left).split(u',') << started << logLine;
        };
        const auto B = Target::Bundle;
        const auto none = Fault::None;
        const char* updated = "success\t1.4.0\tUpdated successfully.";
        const char* notInstalled = "failure\t1.4.0\tVendrilo Connect could not install the update.";
        const char* notABundle = "failure\t1.4.0\tThe downloaded update did not contain a macOS app bundle.";
        const char* newApp = "notes.txt,Vendrilo Connect.app=new";
        const char* oldApp = "notes.txt,Vendrilo Connect.app=old";
        const char* oldBackup = "notes.txt,Vendrilo Connect.previous.app=old";
        const char* refusedTarget = "Update target %T is not a Vendrilo Connect app bundle";
        row("success", App::Exits, Image::Good, Rights::NotNeeded, B, none, "0.05", "1.4.0", updated, newApp,
            "new", "Opening updated app at %T");
        // The old app goes to the backup beside it, which is replaced and then removed.
        row("success over an earlier backup", App::Exits, Image::Good, Rights::NotNeeded,
            Target::BundleAndOldBackup, none, "0.05", "1.4.0", updated, newApp, "new",
            "Opening updated app at %T");
        row("tab and newline in the label", App::Exits, Image::Good, Rights::NotNeeded, B, none, "0.05",
            "1.4.0\tbeta\nx", "success\t1.4.0 beta x\tUpdated successfully.", newApp, "new",
            "Installing update 1.4.0\tbeta\nx from /tmp/");
        row("image without an app", App::Exits, Image::WithoutApp, Rights::NotNeeded, B, none, "0.05",
            "1.4.0", notABundle, oldApp, "old", "No app bundle found in mounted image");
        row("image holding another app", App::Exits, Image::OtherApp, Rights::NotNeeded, B, none, "0.05",
            "1.4.0", notInstalled, oldApp, "old", "Update app bundle /tmp/VendriloConnectUpdateMount.");
        row("unreadable image", App::Exits, Image::Garbage, Rights::NotNeeded, B, none, "0.05", "1.4.0",
            "failure\t1.4.0\tCould not open the downloaded update image.", oldApp, "old",
            "Failed to mount %I");
        row("app ignores SIGTERM", App::IgnoresTerm, Image::Good, Rights::NotNeeded, B, none, "0.05", "1.4.0",
            updated, newApp, "new", "Process %P ignored SIGTERM, sending SIGKILL");
        row("app never goes", App::NeverGoes, Image::Good, Rights::NotNeeded, B, none, "0.05", "1.4.0",
            "failure\t1.4.0\tTimed out waiting for Vendrilo Connect to quit.", oldApp, "old",
            "Timed out waiting for process %P to exit after escalation");
        // A pace near zero would kill an app that is still stopping its runtime.
        row("pace near zero is not honoured", App::IgnoresTermBriefly, Image::Good, Rights::NotNeeded, B,
            none, "0.001", "1.4.0", updated, newApp, "new", "Opening updated app at %T");
        row("target is a plain folder", App::Exits, Image::Good, Rights::Granted, Target::PlainFolder, none,
            "0.05", "1.4.0", notInstalled, oldApp, "", refusedTarget);
        row("target without Info.plist", App::Exits, Image::Good, Rights::Granted, Target::WithoutPlist, none,
            "0.05", "1.4.0", notInstalled, oldApp, "", refusedTarget);
        row("target is another app", App::Exits, Image::Good, Rights::Granted, Target::OtherApp, none, "0.05",
            "1.4.0", notInstalled, oldApp, "old", "Update app bundle /tmp/VendriloConnectUpdateMount.");
        row("locked folder, rights refused", App::Exits, Image::Good, Rights::Refused, B, none, "0.05",
            "1.4.0", notInstalled, oldApp, "old", "Privileged install was cancelled or failed");
        // The privileged run needs the script's own path and records the result itself.
        row("locked folder, rights granted", App::Exits, Image::Good, Rights::Granted, B, none, "0.05",
            "1.4.0", updated, newApp, "new", "Installed update 1.4.0 into %T");
        row("copy fails, rights refused", App::Exits, Image::Good, Rights::Refused, B, Fault::CopyDirect,
            "0.05", "1.4.0", notInstalled, oldApp, "old",
            "Direct install failed, requesting administrator privileges");
        // The backup is then the only good copy: the privileged run must not remove it first.
        row("copy and restore fail, rights refused", App::Exits, Image::Good, Rights::Refused, B,
            Fault::CopyAndRestoreDirect, "0.05", "1.4.0", notInstalled, oldBackup, "old",
            "Could not move %B back to %T");
        row("copy and restore fail, rights granted", App::Exits, Image::Good, Rights::Granted, B,
            Fault::CopyAndRestoreDirect, "0.05", "1.4.0", updated, newApp, "new",
            "Installed update 1.4.0 into %T");
        row("copy fails twice, rights granted", App::Exits, Image::Good, Rights::Granted, B,
            Fault::CopyAlwaysRestoreDirect, "0.05", "1.4.0", notInstalled, oldApp, "old",
            "Privileged install failed for %T");
        row("copy and restore fail twice, rights granted", App::Exits, Image::Good, Rights::Granted, B,
            Fault::CopyAndRestoreAlways, "0.05", "1.4.0", notInstalled, oldBackup, "old",
            "Could not move %B back to %T");
    }
    void replacesTheBundleOrRecordsWhyNot() {
        QFETCH(App, app);
        QFETCH(Image, image);
        QFETCH(Rights, rights);
        QFETCH(Target, target);
        QFETCH(Fault, fault);
        QFETCH(QString, expected);
        QFETCH(QString, logLine);
        Sandbox box(image, rights, target);
        const QString targetPath = target == Target::PlainFolder ? box.applications : box.target;
        if (rights != Rights::NotNeeded && fault == Fault::None && !box.lock()) {
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
            const char* body = app == App::Exits         ? "sleep 0.3"
                               : app == App::IgnoresTerm ? "trap '' TERM; exec sleep 30"
                                                         : "trap '' TERM; sleep 1";
            fake.start("/bin/sh", {"-c", body});
            QVERIFY(fake.waitForStarted());
        }
        const QString pid = QString::number(zombie > 0 ? zombie : fake.processId());
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", box.bin + u':' + env.value("PATH"));
        QFETCH(QString, tick);
        env.insert("VENDRILO_CONNECT_INSTALLER_TICK", tick);
        const bool copyFails = fault != Fault::None;
        const bool restoreFails =
            fault == Fault::CopyAndRestoreDirect || fault == Fault::CopyAndRestoreAlways;
        const bool twice = fault == Fault::CopyAlwaysRestoreDirect || fault == Fault::CopyAndRestoreAlways;
        env.insert("VC_TEST_FAIL_COPY", copyFails ? (twice ? "always" : "direct") : "");
        env.insert("VC_TEST_FAIL_RESTORE",
                   restoreFails ? (fault == Fault::CopyAndRestoreAlways ? "always" : "direct") : "");
        script.setProcessEnvironment(env);
        script.setWorkingDirectory(box.root.path());
        QFETCH(QString, version);
        script.start("/bin/zsh",
                     {box.script, pid, version, box.image, targetPath, box.log, box.result, box.script});
        // Spinning the event loop is what reaps the fake app once it ends.
        QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 30000);
        box.unlock();

        const bool success = expected.startsWith(u"success");
        QCOMPARE(script.exitCode(), success ? 0 : 1);
        QCOMPARE(QString::fromUtf8(readFile(box.result)), expected + u'\n');
        QTEST(box.contents(), "left");
        QFETCH(QString, started);
        if (started.isEmpty()) {
            QTest::qWait(200);
        }
        QTRY_COMPARE(QString::fromUtf8(readFile(box.marker)), started.isEmpty() ? started : started + u'\n');
        QCOMPARE(QFile::exists(box.image), !success);
        QVERIFY(!success || readFile(box.temps).count('\n') == 2); // the mount point and the staging folder
        for (const QByteArray& made : readFile(box.temps).split('\n')) {
            QVERIFY2(made.isEmpty() || !QFileInfo::exists(QString::fromLocal8Bit(made)), made.constData());
        }
        QVERIFY(!QFile::exists(box.root.filePath("pwned")));

        const QString log = QString::fromUtf8(readFile(box.log));
        logLine.replace("%T", targetPath)
            .replace("%B", box.backup)
            .replace("%I", box.image)
            .replace("%P", pid);
        QVERIFY2(log.contains("] " + logLine), qPrintable(log));
        if (target == Target::Bundle) {
            const QRegularExpression first("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] Waiting for "
                                           "Vendrilo Connect process (\\d+) to exit\n");
            QCOMPARE(first.match(log).captured(1), pid);
        }
        QCOMPARE(log.contains("sending SIGTERM"), app == App::IgnoresTerm || app == App::NeverGoes);
    }

    // The privileged half alone, handed a source that is no bundle: nothing is moved.
    void privilegedInstallKeepsTheBundleForAnUnusableSource() {
        Sandbox box;
        QProcess script;
        script.start("/bin/zsh", {box.script, "--install-only", box.root.filePath("missing.app"), box.target,
                                  box.backup, box.log, box.result, "1.4.0"});
        QVERIFY(script.waitForFinished(10000));
        QCOMPARE(script.exitCode(), 1);
        QCOMPARE(readFile(box.result), "failure\t1.4.0\tCould not replace the existing app.\n");
        QCOMPARE(box.contents(), QStringList({"notes.txt", "Vendrilo Connect.app=old"}));
        QVERIFY(QString::fromUtf8(readFile(box.log))
                    .contains("] Privileged install failed for " + box.target + u'\n'));
    }
};

QTEST_GUILESS_MAIN(InstallerScriptTest)
#include "tst_installerscript.moc"
