#include "common/RuntimeProcesses.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The built bundle, copied elsewhere and started without a display on a fresh data folder.
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
        const QString bundle = home.filePath("Apps/Vendrilo Connect.app");
        QVERIFY(QDir().mkpath(home.filePath("Apps")));
        QCOMPARE(QProcess::execute("cp", {"-a", VC_BUNDLE_DIR, bundle}), 0);
        QVERIFY(bundledRuntime || QDir(bundle + "/Contents/Resources").removeRecursively());
        const QString installed = home.filePath("data/Vendrilo Connect/Runtime/vendrilo-connect-companion");
        QProcess app;
        const auto stopAll = qScopeGuard([&] {
            app.kill();
            app.waitForFinished();
            killRuntimeProcesses(installed);
        });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        // Keep release checks on this machine: nothing listens there.
        environment.insert("VENDRILO_CONNECT_RELEASE_FEED_URL", "http://127.0.0.1:9/companion.json");
        app.setProcessEnvironment(environment);
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
        QCOMPARE(runtimeProcesses(installed).size(), bundledRuntime ? 1 : 0);
        // Without --headless and without a display it says so and runs headless.
        QCOMPARE(app.readAllStandardError().contains("No display found"), bundledRuntime);

        ::kill(static_cast<pid_t>(app.processId()), signalNumber);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(runtimeProcesses(installed).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadlessApp)
#include "tst_headlessapp.moc"
