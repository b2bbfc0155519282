#include "common/RuntimeProcesses.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The built bundle without a display on a fresh data folder: the app itself, and `ctl` when nothing
// answers on 127.0.0.1:46901.
class TestHeadlessApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionComesFromTheBundle() {
        QProcess app;
        app.start(VC_BUNDLE_DIR "/Contents/MacOS/vendrilo-connect", {"--version"});
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.readAllStandardOutput(), "Vendrilo Connect " VC_PROJECT_VERSION "\n");
    }

    void runsUntilASignalAndLeavesNoRuntime_data() {
        QTest::addColumn<bool>("bundledRuntime");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("error"); // of the first status after "Starting…"
        QTest::newRow("bundled runtime, SIGTERM") << true << SIGTERM << "-";
        QTest::newRow("no runtime in the bundle, --headless, SIGINT")
            << false << SIGINT << "The bundled companion runtime was not found inside the app.";
    }
    void runsUntilASignalAndLeavesNoRuntime() {
        QFETCH(bool, bundledRuntime);
        QFETCH(int, signalNumber);
        QTemporaryDir home;
        // A copy elsewhere, so that removing its runtime leaves the build alone.
        const QString bundle = home.filePath("Apps/Vendrilo Connect.app");
        QVERIFY(QDir().mkpath(home.filePath("Apps")));
        QCOMPARE(QProcess::execute("cp", {"-a", VC_BUNDLE_DIR, bundle}), 0);
        QVERIFY(bundledRuntime || QDir(bundle + "/Contents/Resources").removeRecursively());
        QProcess app;
        const auto stopAll = qScopeGuard([&] {
            app.kill();
            app.waitForFinished();
            killRuntimeProcesses(installed(home));
        });
        app.setProcessEnvironment(environment(home));
        app.start(bundle + "/Contents/MacOS/vendrilo-connect",
                  bundledRuntime ? QStringList() : QStringList{"--headless"});

        static const QRegularExpression status(
            u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z (?!Starting…)(.+) \\| error: (.+)\n"_qs,
            QRegularExpression::MultilineOption);
        QString output;
        QRegularExpressionMatch first;
        QTRY_VERIFY_WITH_TIMEOUT((first = status.match(output += app.readAllStandardOutput())).hasMatch(),
                                 30000);
        QTEST(first.captured(2), "error");
        QCOMPARE(runtimeProcesses(installed(home)).size(), bundledRuntime ? 1 : 0);
        // Without --headless and without a display it says so and runs headless.
        QCOMPARE(app.readAllStandardError().contains("No display found"), bundledRuntime);

        ::kill(static_cast<pid_t>(app.processId()), signalNumber);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(runtimeProcesses(installed(home)).isEmpty());
    }

    // ctl starts the runtime through the supervision and leaves it running; restart replaces it.
    void ctlStartsTheRuntimeAndRestartsIt() {
        QTemporaryDir home;
        const auto stopAll = qScopeGuard([&] { killRuntimeProcesses(installed(home)); });
        const auto ctl = [&](const QString& command) {
            QProcess process;
            process.setProcessEnvironment(environment(home));
            process.start(VC_BUNDLE_DIR "/Contents/MacOS/vendrilo-connect", {"ctl", command});
            if (!process.waitForFinished(60000)) {
                process.kill();
                process.waitForFinished();
            }
            return std::pair(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                             QString::fromUtf8(process.readAllStandardOutput()));
        };
        const auto [statusCode, statusOut] = ctl("status");
        QCOMPARE(statusCode, 0);
        QVERIFY2(statusOut.contains(u"Companion:  "_qs), qPrintable(statusOut));
        const QList<qint64> started = runtimeProcesses(installed(home));
        QCOMPARE(started.size(), 1);

        QCOMPARE(ctl("restart"), std::pair(0, u"The bundled companion runtime restarted.\n"_qs));
        const QList<qint64> restarted = runtimeProcesses(installed(home));
        QCOMPARE(restarted.size(), 1);
        QVERIFY(restarted != started);
    }

private:
    static QProcessEnvironment environment(const QTemporaryDir& home) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        // Keep release checks on this machine: nothing listens there.
        environment.insert("VENDRILO_CONNECT_RELEASE_FEED_URL", "http://127.0.0.1:9/companion.json");
        return environment;
    }

    // The runtime the supervision installs in the data folder.
    static QString installed(const QTemporaryDir& home) {
        return QFileInfo(home.path()).canonicalFilePath() +
               "/data/Vendrilo Connect/Runtime/vendrilo-connect-companion";
    }
};

QTEST_GUILESS_MAIN(TestHeadlessApp)
#include "tst_headlessapp.moc"
