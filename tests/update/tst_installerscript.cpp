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

// How a run is staged; failCopy and failRestore as the cp and mv stand-ins below read them.
struct Setup {
    App app = App::Exits;
    Image image = Image::Good;
    Rights rights = Rights::NotNeeded;
    Target target = Target::Bundle;
    QString failCopy{}, failRestore{};
    QString tick = "0.05"; // the pace asked for through the environment
    QString version = "1.4.0";
};
// The result line, the Applications folder afterwards and the labels of the bundles opened then.
struct Outcome {
    QString result, left, started;
};

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
    explicit Sandbox(const Setup& setup = {}) {
        makeBundle(target, "old", setup.target == Target::OtherApp ? "org.example.other" : ourIdentifier);
        if (setup.target == Target::BundleAndOldBackup) {
            makeBundle(backup, "older");
        }
        if (setup.target == Target::WithoutPlist) {
            QVERIFY(QFile::remove(target + "/Contents/Info.plist"));
        }
        QVERIFY(writeFile(applications + "/notes.txt", "keep"));
        CompanionUpdateInstaller().writeInstallerScript(script);
        struct stat mode {};
        QVERIFY(::stat(qPrintable(script), &mode) == 0 && (mode.st_mode & 07777) == 0755);
        QVERIFY(writeFile(
            bin + "/pkexec",
            setup.rights == Rights::Granted
                ? "#!/bin/sh\nchattr -i \"$VC_TEST_LOCKED\" 2>/dev/null\nVC_TEST_PRIVILEGED=1 exec \"$@\"\n"
                : "#!/bin/sh\nexit 126\n",
            true));
        QVERIFY(writeFile(bin + "/cp", faultyCopy, true) && writeFile(bin + "/mv", faultyMove, true) &&
                writeFile(bin + "/mktemp", notingMktemp, true));
        const Image kind = setup.image;
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
    QString contents() const {
        QStringList entries;
        for (const QString& name : QDir(applications).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            const QByteArray label = readFile(applications + u'/' + name + "/Contents/label");
            entries << (label.isEmpty() ? name : name + u'=' + QString::fromUtf8(label));
        }
        return entries.join(u',');
    }
};

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Outcome)

class InstallerScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replacesTheBundleOrRecordsWhyNot_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("logLine"); // %T target, %B backup, %I image, %P process id
        const auto row = [](const char* name, const Setup& setup, const Outcome& outcome,
                            const char* logLine) {
            QTest::newRow(name) << setup << outcome << QString::fromUtf8(logLine);
        };
        const QString notInstalled = "failure\t1.4.0\tVendrilo Connect could not install the update.";
        const QString newApp = "notes.txt,Vendrilo Connect.app=new",
                      oldApp = "notes.txt,Vendrilo Connect.app=old";
        const Outcome updated{"success\t1.4.0\tUpdated successfully.", newApp, "new"};
        const Outcome keptOld{notInstalled, oldApp, "old"};
        // The backup is then the only good copy: the privileged run must not remove it first.
        const Outcome keptBackup{notInstalled, "notes.txt,Vendrilo Connect.previous.app=old", "old"};
        const Outcome leftAlone{notInstalled, oldApp, ""};
        const char* opened = "Opening updated app at %T";
        const char* otherApp = "Update app bundle /tmp/VendriloConnectUpdateMount.";
        const char* refusedTarget = "Update target %T is not a Vendrilo Connect app bundle";
        row("success", {}, updated, opened);
        // The old app goes to the backup beside it, which is replaced and then removed.
        row("success over an earlier backup", {.target = Target::BundleAndOldBackup}, updated, opened);
        row("tab and newline in the label", {.version = "1.4.0\tbeta\nx"},
            {"success\t1.4.0 beta x\tUpdated successfully.", newApp, "new"},
            "Installing update 1.4.0\tbeta\nx from /tmp/");
        row("image without an app", {.image = Image::WithoutApp},
            {"failure\t1.4.0\tThe downloaded update did not contain a macOS app bundle.", oldApp, "old"},
            "No app bundle found in mounted image");
        row("image holding another app", {.image = Image::OtherApp}, keptOld, otherApp);
        row("unreadable image", {.image = Image::Garbage},
            {"failure\t1.4.0\tCould not open the downloaded update image.", oldApp, "old"},
            "Failed to mount %I");
        row("app ignores SIGTERM", {.app = App::IgnoresTerm}, updated,
            "Process %P ignored SIGTERM, sending SIGKILL");
        row("app never goes", {.app = App::NeverGoes},
            {"failure\t1.4.0\tTimed out waiting for Vendrilo Connect to quit.", oldApp, "old"},
            "Timed out waiting for process %P to exit after escalation");
        // A pace near zero would kill an app that is still stopping its runtime.
        row("pace near zero is not honoured", {.app = App::IgnoresTermBriefly, .tick = "0.001"}, updated,
            opened);
        const Rights granted = Rights::Granted, refused = Rights::Refused;
        row("target is a plain folder", {.rights = granted, .target = Target::PlainFolder}, leftAlone,
            refusedTarget);
        row("target without Info.plist", {.rights = granted, .target = Target::WithoutPlist}, leftAlone,
            refusedTarget);
        row("target is another app", {.rights = granted, .target = Target::OtherApp}, keptOld, otherApp);
        row("locked folder, rights refused", {.rights = refused}, keptOld,
            "Privileged install was cancelled or failed");
        // The privileged run needs the script's own path and records the result itself.
        row("locked folder, rights granted", {.rights = granted}, updated, "Installed update 1.4.0 into %T");
        row("copy fails, rights refused", {.rights = refused, .failCopy = "direct"}, keptOld,
            "Direct install failed, requesting administrator privileges");
        row("copy and restore fail, rights refused",
            {.rights = refused, .failCopy = "direct", .failRestore = "direct"}, keptBackup,
            "Could not move %B back to %T");
        row("copy and restore fail, rights granted",
            {.rights = granted, .failCopy = "direct", .failRestore = "direct"}, updated,
            "Installed update 1.4.0 into %T");
        row("copy fails twice, rights granted", {.rights = granted, .failCopy = "always"}, keptOld,
            "Privileged install failed for %T");
        row("copy and restore fail twice, rights granted",
            {.rights = granted, .failCopy = "always", .failRestore = "always"}, keptBackup,
            "Could not move %B back to %T");
    }
    void replacesTheBundleOrRecordsWhyNot() {
        QFETCH(Setup, setup);
        QFETCH(Outcome, outcome);
        QFETCH(QString, logLine);
        Sandbox box(setup);
        const QString targetPath = setup.target == Target::PlainFolder ? box.applications : box.target;
        if (setup.rights != Rights::NotNeeded && setup.failCopy.isEmpty() && !box.lock()) {
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
        if (setup.app == App::NeverGoes && (zombie = fork()) == 0) {
            _exit(0);
        }
        if (setup.app != App::NeverGoes) {
            const char* body = setup.app == App::Exits         ? "sleep 0.3"
                               : setup.app == App::IgnoresTerm ? "trap '' TERM; exec sleep 30"
                                                               : "trap '' TERM; sleep 1";
            fake.start("/bin/sh", {"-c", body});
            QVERIFY(fake.waitForStarted());
        }
        const QString pid = QString::number(zombie > 0 ? zombie : fake.processId());
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", box.bin + u':' + env.value("PATH"));
        env.insert("VENDRILO_CONNECT_INSTALLER_TICK", setup.tick);
        env.insert("VC_TEST_FAIL_COPY", setup.failCopy);
        env.insert("VC_TEST_FAIL_RESTORE", setup.failRestore);
        script.setProcessEnvironment(env);
        script.setWorkingDirectory(box.root.path());
        script.start("/bin/zsh", {box.script, pid, setup.version, box.image, targetPath, box.log, box.result,
                                  box.script});
        // Spinning the event loop is what reaps the fake app once it ends.
        QTRY_VERIFY_WITH_TIMEOUT(script.state() == QProcess::NotRunning, 30000);
        box.unlock();

        const bool success = outcome.result.startsWith(u"success");
        QCOMPARE(script.exitCode(), success ? 0 : 1);
        QCOMPARE(QString::fromUtf8(readFile(box.result)), outcome.result + u'\n');
        QCOMPARE(box.contents(), outcome.left);
        if (outcome.started.isEmpty()) {
            QTest::qWait(200);
        }
        QTRY_COMPARE(QString::fromUtf8(readFile(box.marker)),
                     outcome.started.isEmpty() ? outcome.started : outcome.started + u'\n');
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
        if (setup.target == Target::Bundle) {
            const QRegularExpression first("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\] Waiting for "
                                           "Vendrilo Connect process (\\d+) to exit\n");
            QCOMPARE(first.match(log).captured(1), pid);
        }
        QCOMPARE(log.contains("sending SIGTERM"),
                 setup.app == App::IgnoresTerm || setup.app == App::NeverGoes);
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
        QCOMPARE(box.contents(), "notes.txt,Vendrilo Connect.app=old");
        QVERIFY(QString::fromUtf8(readFile(box.log))
                    .contains("] Privileged install failed for " + box.target + u'\n'));
    }
};

QTEST_GUILESS_MAIN(InstallerScriptTest)
#include "tst_installerscript.moc"
