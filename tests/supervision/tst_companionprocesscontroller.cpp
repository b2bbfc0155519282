#include "common/FileText.h"
#include "common/LogRotation.h"
#include "common/RuntimeProcesses.h"
#include "common/TaskFailure.h"
#include "runtime/CompanionAPI.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"
#include "supervision/ProcessTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include <signal.h>

using namespace std::chrono_literals;

namespace {

// The runtime binds the address it is given. Each call gets a loopback address of
// its own on a port below the ephemeral range: no other socket holds it, and none
// is freed first for the runtime to take.
QUrl privateLoopbackURL() {
    const auto octet = [] { return 1 + QRandomGenerator::global()->bounded(254); };
    return QUrl(QStringLiteral("http://127.%1.%2.%3:24901").arg(octet()).arg(octet()).arg(octet()));
}

// A runtime left over from an earlier session (not our child), once it answers; 0 when it never does.
qint64 startDetached(const QString& program, const QUrl& url) {
    QProcess process;
    process.setProgram(program);
    process.setArguments({"run", "-agent-version", "0.9.0", "-admin-listen", url.authority()});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    const CompanionAPI api(url, 200ms);
    const auto answers = [&api] {
        return failureOf([&api]() -> QCoro::Task<> { co_await api.healthcheck(); }()).isEmpty();
    };
    if (process.startDetached(&pid) && !QTest::qWaitFor(answers, 10000)) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        pid = 0;
    }
    return pid;
}

} // namespace

// Supervision of a stand-in runtime on a free loopback port, with every wait shortened.
class TestCompanionProcessController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(m_home.emplace().isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath("data")));
        qputenv("VC_FAKE_RUNTIME", "");
        m_settings = {.baseURL = privateLoopbackURL(),
                      .bundledRuntime = VC_FAKE_RUNTIME,
                      .hostName = HostNameSource([this] { return m_hostName; }),
                      .healthPollInterval = 10ms,
                      .healthPollAttempts = 500, // a loaded machine may take seconds to start it
                      .stopPollInterval = 20ms,
                      .requestTimeout = 1000ms,
                      .runtimeLogSizeLimit = 4096};
        m_hostName = "Test Host";
        m_controller.emplace(m_settings);
    }

    void cleanup() {
        QCoro::waitFor(m_controller->stop());
        m_controller.reset();
        for (const qint64 pid : std::exchange(m_startedElsewhere, {})) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        killRuntimeProcesses(); // whatever stop() missed
    }

    void installsWhenNeededAndLaunches_data() {
        QTest::addColumn<QByteArray>("stamp"); // null: none
        QTest::addColumn<bool>("executablePresent");
        QTest::addColumn<bool>("copied");
        QTest::newRow("first start") << QByteArray() << false << true;
        QTest::newRow("stamp matches") << QByteArray("1.0.0\n") << true << false;
        QTest::newRow("stamp matches, executable missing") << QByteArray("1.0.0") << false << true;
        QTest::newRow("stamp of another version") << QByteArray("0.9.0") << true << true;
    }
    void installsWhenNeededAndLaunches() {
        QFETCH(QByteArray, stamp);
        QFETCH(bool, executablePresent);
        QFETCH(bool, copied);
        CompanionPaths::ensureDirectories();
        const QString installed = CompanionPaths::installedRuntimeExecutable();
        QVERIFY(!executablePresent || QFile::copy(VC_FAKE_RUNTIME, installed));
        QVERIFY(stamp.isNull() || writeFile(CompanionPaths::runtimeVersionStamp(), stamp));
        QVERIFY(writeFile(CompanionPaths::runtimeLog(), "earlier line\n"));
        struct stat before {};
        ::stat(qPrintable(installed), &before);

        // Two starts at once, while the first launch is still coming up, launch one runtime.
        qputenv("VC_FAKE_RUNTIME", "slow-start");
        auto first = m_controller->ensureRunning("1.0.0");
        QCOMPARE(failureOf(m_controller->ensureRunning("1.0.0")), QString());
        QCOMPARE(failureOf(std::move(first)), QString());

        struct stat after {};
        QCOMPARE(::stat(qPrintable(installed), &after), 0);
        QCOMPARE(after.st_ino != before.st_ino, copied);
        QCOMPARE(after.st_mode & 07777, copied ? 0755u : before.st_mode & 07777);
        QCOMPARE(readFile(CompanionPaths::runtimeVersionStamp()), copied ? "1.0.0" : stamp);
        // The executable and its stamp, no staging file.
        QCOMPARE(QDir(CompanionPaths::runtimeDirectory()).entryList(QDir::Files).size(), 2);
        const auto owned = static_cast<pid_t>(m_controller->ownedProcessId().value_or(0));
        QCOMPARE(ProcessTable::executablePath(owned), installed);
        QCOMPARE(::getsid(owned), owned); // a terminal's Ctrl+C meant for us does not reach it
        QVERIFY(m_controller->detachedRuntimePIDs().isEmpty());
        const QString arguments =
            "run|-data-dir|" + CompanionPaths::runtimeDataDirectory() +
            "|-platform|linux|-host-name|Test Host|-agent-version|1.0.0|-admin-listen|" +
            m_settings.baseURL.authority();
        QTRY_VERIFY(readFile(CompanionPaths::runtimeLog()).endsWith("stderr of the fake runtime\n"));
        QCOMPARE(QString::fromUtf8(readFile(CompanionPaths::runtimeLog())),
                 "earlier line\nargs: " + arguments +
                     "\ncommand name: vendrilo-connect\nstderr of the fake runtime\n");
    }

    void answeringRuntimeIsAdoptedUnlessOfAnotherVersion_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QString>("failure");
        QTest::newRow("version answers 404") << QByteArray("version=404") << QString();
        QTest::newRow("version unparseable") << QByteArray("version=garbage") << QString();
        QTest::newRow("version blank") << QByteArray("version=blank") << QString();
        // Not running the installed executable, so stop() cannot reach it.
        QTest::newRow("another version that keeps answering")
            << QByteArray()
            << "The older companion runtime could not be stopped before installing the new build.";
    }
    void answeringRuntimeIsAdoptedUnlessOfAnotherVersion() {
        QFETCH(QByteArray, mode);
        qputenv("VC_FAKE_RUNTIME", mode);
        const qint64 running = startDetached(VC_FAKE_RUNTIME, m_settings.baseURL);
        QVERIFY(running > 0);
        m_startedElsewhere.append(running);
        QTEST(failureOf(m_controller->ensureRunning("1.0.0")), "failure");
        QVERIFY(ProcessTable::isAlive(running));
        QVERIFY(!m_controller->ownsRunningProcess());
        QVERIFY(!QFile::exists(CompanionPaths::installedRuntimeExecutable())); // neither copied nor launched
    }

    void launchFailuresAreReported() {
        auto settings = m_settings;
        settings.bundledRuntime = m_home->filePath("not-a-program.bin");
        QVERIFY(writeFile(*settings.bundledRuntime, "plain text\n"));
        m_controller.emplace(settings);
        QVERIFY(failureOf(m_controller->ensureRunning("1.0.0"))
                    .startsWith("The companion runtime could not be started from"));
        QVERIFY(!m_controller->ownsRunningProcess());
        m_controller.emplace(m_settings);
        qputenv("VC_FAKE_RUNTIME", "no-listen");
        // Another version, so the executable that could not run is replaced.
        QCOMPARE(failureOf(m_controller->ensureRunning("1.0.1")),
                 "The companion runtime did not become reachable on 127.0.0.1:46901.");
        QVERIFY(m_controller->ownsRunningProcess());
    }

    void stopEndsOwnedAndDetachedRuntimes_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<bool>("needsKill");
        QTest::newRow("runtimes that honour SIGTERM") << QByteArray() << false;
        QTest::newRow("runtimes that ignore SIGTERM") << QByteArray("ignore-term") << true;
    }
    void stopEndsOwnedAndDetachedRuntimes() {
        QFETCH(QByteArray, mode);
        QFETCH(bool, needsKill);
        qputenv("VC_FAKE_RUNTIME", mode);
        QCOMPARE(failureOf(m_controller->ensureRunning("1.0.0")), QString());
        const qint64 owned = m_controller->ownedProcessId().value_or(0);
        const qint64 detached =
            startDetached(CompanionPaths::installedRuntimeExecutable(), privateLoopbackURL());
        QCOMPARE(m_controller->detachedRuntimePIDs(), QList<qint64>{detached});

        QElapsedTimer elapsed;
        elapsed.start();
        QCoro::waitFor(m_controller->stop());
        // Two processes; each gets 10 polls of 20 ms before SIGKILL when it ignores SIGTERM.
        QVERIFY(!needsKill || elapsed.elapsed() >= 2 * 180);
        QVERIFY(!ProcessTable::isAlive(owned));
        QTRY_VERIFY(!ProcessTable::isAlive(detached));
        QVERIFY(!m_controller->ownsRunningProcess());
        QVERIFY(m_controller->detachedRuntimePIDs().isEmpty());
    }

    // A crash is announced; a stop asked for is not. The relaunch asks for the name
    // again and starts a fresh log once the old one is too large.
    void runtimeThatDiesIsNoticedAndRelaunched() {
        QSignalSpy exits(&*m_controller, &CompanionProcessController::ownedRuntimeExited);
        QCOMPARE(failureOf(m_controller->ensureRunning("1.0.0")), QString());
        const qint64 first = m_controller->ownedProcessId().value_or(0);
        QTRY_VERIFY(readFile(CompanionPaths::runtimeLog()).endsWith("stderr of the fake runtime\n"));
        const QByteArray firstLog = readFile(CompanionPaths::runtimeLog()) + QByteArray(6000, '.');
        QVERIFY(writeFile(CompanionPaths::runtimeLog(), firstLog));
        ::kill(static_cast<pid_t>(first), SIGKILL);
        QTRY_COMPARE(exits.size(), 1);
        QVERIFY(!m_controller->ownsRunningProcess());

        m_hostName = "Renamed Host";
        QCOMPARE(failureOf(m_controller->ensureRunning("1.0.0")), QString());
        QVERIFY(m_controller->ownedProcessId().value_or(first) != first);
        QTRY_VERIFY(readFile(CompanionPaths::runtimeLog()).endsWith("stderr of the fake runtime\n"));
        QVERIFY(readFile(CompanionPaths::runtimeLog()).contains("|-host-name|Renamed Host|"));
        QCOMPARE(readFile(previousLogPath(CompanionPaths::runtimeLog())), firstLog);
        QCoro::waitFor(m_controller->stop());
        QCOMPARE(exits.size(), 1);
    }

private:
    std::optional<QTemporaryDir> m_home;
    QString m_hostName;
    CompanionProcessController::Settings m_settings;
    std::optional<CompanionProcessController> m_controller;
    QList<qint64> m_startedElsewhere;
};

QTEST_GUILESS_MAIN(TestCompanionProcessController)
#include "tst_companionprocesscontroller.moc"
