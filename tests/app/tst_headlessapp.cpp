#include "supervision/ProcessTable.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <signal.h>

// The built bundle, moved elsewhere and started headless with a fresh data folder.
class TestHeadlessApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        m_bundle = m_home->path() + "/Apps/Vendrilo Connect.app";
        QVERIFY(QDir().mkpath(m_home->path() + "/Apps"));
        QCOMPARE(QProcess::execute("cp", {"-a", VC_BUNDLE_DIR, m_bundle}), 0);
        m_app = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("HOME", m_home->path());
        environment.insert("XDG_DATA_HOME", m_home->path() + "/data");
        environment.insert("XDG_CONFIG_HOME", m_home->path() + "/config");
        // Keep release checks on this machine: nothing listens there.
        environment.insert("VENDRILO_CONNECT_RELEASE_FEED_URL", "http://127.0.0.1:9/companion.json");
        m_app->setProcessEnvironment(environment);
        m_app->setProgram(m_bundle + "/Contents/MacOS/vendrilo-connect");
    }

    void cleanup() {
        if (m_app->state() != QProcess::NotRunning) {
            m_app->kill();
            m_app->waitForFinished();
        }
        for (const qint64 pid : runtimePIDs()) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }

    void commandLine_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("version") << "--version" << 0 << "Vendrilo Connect " VC_PROJECT_VERSION "\n";
        QTest::newRow("help") << "--help" << 0 << "--headless";
        QTest::newRow("unknown option") << "--bogus" << 1 << "Unknown option 'bogus'.";
    }
    void commandLine() {
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        m_app->setArguments({option});
        m_app->start();
        QVERIFY(m_app->waitForFinished(10000));
        QCOMPARE(m_app->exitCode(), exitCode);
        const QString output =
            QString::fromUtf8(m_app->readAllStandardOutput() + m_app->readAllStandardError());
        QVERIFY2(exitCode == 0 && option == "--version" ? output == expected : output.contains(expected),
                 qPrintable(output));
    }

    void runsTheBundledRuntimeAndStopsItOnSigterm() {
        m_app->start();
        const auto [title, error] = nextStatusAfterStart();
        QVERIFY2(error == "-", qPrintable(error));
        QCOMPARE(runtimePIDs().size(), 1);
        QVERIFY(QString::fromUtf8(m_app->readAllStandardError()).contains("No display found"));
        endWithSignal(SIGTERM);
    }

    void missingRuntimeIsReportedAndTheAppStillEndsCleanly() {
        QVERIFY(QDir(m_bundle + "/Contents/Resources").removeRecursively());
        m_app->setArguments({"--headless"});
        m_app->start();
        const auto [title, error] = nextStatusAfterStart();
        QCOMPARE(error, "The bundled companion runtime was not found inside the app.");
        QVERIFY(runtimePIDs().isEmpty());
        endWithSignal(SIGINT);
    }

private:
    // The first status line after "Starting…": the outcome of the start-up.
    std::pair<QString, QString> nextStatusAfterStart() {
        static const QRegularExpression line(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (.+) \| error: (.+)$)"));
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 30000) {
            if (!m_app->canReadLine() && !m_app->waitForReadyRead(1000)) {
                continue;
            }
            const QString text = QString::fromUtf8(m_app->readLine()).chopped(1);
            const auto match = line.match(text);
            if (match.hasMatch() && match.captured(1) != QStringLiteral("Starting…")) {
                return {match.captured(1), match.captured(2)};
            }
        }
        return {QString(), QStringLiteral("no status line after start-up")};
    }

    void endWithSignal(int signalNumber) {
        ::kill(static_cast<pid_t>(m_app->processId()), signalNumber);
        QVERIFY(m_app->waitForFinished(10000));
        QCOMPARE(m_app->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_app->exitCode(), 0);
        QVERIFY(runtimePIDs().isEmpty());
    }

    QList<qint64> runtimePIDs() const {
        const QString installed =
            m_home->path() + "/data/Vendrilo Connect/Runtime/vendrilo-connect-companion";
        QList<qint64> pids;
        for (const qint64 pid : ProcessTable::processIds()) {
            if (ProcessTable::isAlive(pid) && ProcessTable::executablePath(pid) == installed) {
                pids.append(pid);
            }
        }
        return pids;
    }

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_bundle;
    std::unique_ptr<QProcess> m_app;
};

QTEST_GUILESS_MAIN(TestHeadlessApp)
#include "tst_headlessapp.moc"
