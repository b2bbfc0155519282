#include "common/UserFacingError.h"
#include "runtime/CompanionAPI.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"
#include "supervision/CompanionProcessError.h"
#include "supervision/ProcessTable.h"
#include "update/TaskFailure.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include <memory>
#include <signal.h>

using namespace std::chrono_literals;

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Supervision of a stand-in runtime on a free loopback port, with every wait shortened.
class TestCompanionProcessController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->path() + "/data"));
        qunsetenv("VC_FAKE_RUNTIME");
        m_settings = {};
        m_settings.baseURL = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(freePort()));
        m_settings.bundledRuntime = QStringLiteral(VC_FAKE_RUNTIME);
        m_settings.hostName = QStringLiteral("Test Host");
        m_settings.healthPollInterval = 10ms;
        m_settings.stopPollInterval = 20ms;
        m_settings.requestTimeout = 1000ms;
        m_controller = std::make_unique<CompanionProcessController>(m_settings);
    }

    void cleanup() {
        QCoro::waitFor(m_controller->stop());
        m_controller.reset();
        for (const qint64 pid : std::exchange(m_startedElsewhere, {})) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        for (const qint64 pid : ProcessTable::processIds()) {
            if (ProcessTable::executablePath(pid) == CompanionPaths::installedRuntimeExecutable()) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        }
    }

    void firstStartInstallsLaunchesAndLogs() {
        CompanionPaths::ensureDirectories();
        QFile log(CompanionPaths::runtimeLog());
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("earlier line\n");
        log.close();

        QCOMPARE(ensure("1.0.0"), QString());

        const QString installed = CompanionPaths::installedRuntimeExecutable();
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(installed).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0755u);
        QCOMPARE(readAll(CompanionPaths::runtimeVersionStamp()), "1.0.0");
        QCOMPARE(QDir(CompanionPaths::runtimeDirectory()).entryList(QDir::Files).size(), 2);
        QVERIFY(m_controller->ownsRunningProcess());
        QCOMPARE(ProcessTable::executablePath(*m_controller->ownedProcessId()), installed);
        QVERIFY(m_controller->detachedRuntimePIDs().isEmpty());

        const QString expectedArguments = QStringList{"run",
                                                      "-data-dir",
                                                      CompanionPaths::runtimeDataDirectory(),
                                                      "-platform",
                                                      "linux",
                                                      "-host-name",
                                                      "Test Host",
                                                      "-agent-version",
                                                      "1.0.0",
                                                      "-admin-listen",
                                                      m_settings.baseURL.authority()}
                                              .join(u'|');
        QTRY_VERIFY(readAll(CompanionPaths::runtimeLog()).contains("stderr of the fake runtime"));
        const QString written = readAll(CompanionPaths::runtimeLog());
        QVERIFY(written.startsWith("earlier line\n"));
        QVERIFY2(written.contains("args: " + expectedArguments + "\ncommand name: vendrilo-connect\n"),
                 qPrintable(written));
    }

    void healthyRuntimeIsAdopted_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::newRow("same version") << QByteArray();
        QTest::newRow("version answers 404") << QByteArray("version=404");
        QTest::newRow("version unparseable") << QByteArray("version=garbage");
        QTest::newRow("version blank") << QByteArray("version=blank");
    }
    void healthyRuntimeIsAdopted() {
        QFETCH(QByteArray, mode);
        const qint64 running = startDetachedInstalledRuntime("1.0.0", mode);
        const ino_t inode = inodeOf(CompanionPaths::installedRuntimeExecutable());

        QCOMPARE(ensure("1.0.0"), QString());

        QVERIFY(!m_controller->ownsRunningProcess());
        QVERIFY(ProcessTable::isAlive(running));
        QCOMPARE(inodeOf(CompanionPaths::installedRuntimeExecutable()), inode);
        QVERIFY(!QFile::exists(CompanionPaths::runtimeVersionStamp()));
    }

    void otherVersionIsStoppedAndReplaced() {
        const qint64 old = startDetachedInstalledRuntime("0.9.0");
        QCOMPARE(m_controller->detachedRuntimePIDs(), QList<qint64>{old});

        QCOMPARE(ensure("1.0.0"), QString());

        QVERIFY(!ProcessTable::isAlive(old));
        QVERIFY(m_controller->ownsRunningProcess());
        QCOMPARE(readAll(CompanionPaths::runtimeVersionStamp()), "1.0.0");
    }

    void otherVersionThatKeepsAnsweringIsReported() {
        // Not running the installed executable, so stop() cannot find it.
        const qint64 stranger = startDetached(QStringLiteral(VC_FAKE_RUNTIME), "0.9.0");
        m_startedElsewhere.append(stranger);
        QCOMPARE(ensure("1.0.0"),
                 "The older companion runtime could not be stopped before installing the new build.");
        QVERIFY(ProcessTable::isAlive(stranger));
    }

    void installCopiesOnlyWhenNeeded_data() {
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<bool>("executablePresent");
        QTest::addColumn<bool>("copied");
        QTest::newRow("stamp matches") << "1.0.0\n" << true << false;
        QTest::newRow("stamp matches, executable missing") << "1.0.0" << false << true;
        QTest::newRow("stamp of another version") << "0.9.0" << true << true;
        QTest::newRow("no stamp") << QString() << true << true;
    }
    void installCopiesOnlyWhenNeeded() {
        QFETCH(QString, stamp);
        QFETCH(bool, executablePresent);
        QFETCH(bool, copied);
        CompanionPaths::ensureDirectories();
        const QString installed = CompanionPaths::installedRuntimeExecutable();
        if (executablePresent) {
            QVERIFY(QFile::copy(QStringLiteral(VC_FAKE_RUNTIME), installed));
        }
        if (!stamp.isNull()) {
            QFile file(CompanionPaths::runtimeVersionStamp());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(stamp.toUtf8());
        }
        const ino_t before = inodeOf(installed);

        QCOMPARE(ensure("1.0.0"), QString());

        QCOMPARE(inodeOf(installed) != before, copied);
        QCOMPARE(readAll(CompanionPaths::runtimeVersionStamp()).trimmed(), "1.0.0");
        QVERIFY(m_controller->ownsRunningProcess());
    }

    void startFailures() {
        auto withoutRuntime = m_settings;
        withoutRuntime.bundledRuntime = std::nullopt;
        m_controller = std::make_unique<CompanionProcessController>(withoutRuntime);
        QCOMPARE(ensure("1.0.0"), "The bundled companion runtime was not found inside the app.");

        QFile notAProgram(m_home->path() + "/not-a-program.bin");
        QVERIFY(notAProgram.open(QIODevice::WriteOnly));
        notAProgram.write("plain text\n");
        notAProgram.close();
        withoutRuntime.bundledRuntime = notAProgram.fileName();
        m_controller = std::make_unique<CompanionProcessController>(withoutRuntime);
        QVERIFY(ensure("1.0.0").startsWith("The companion runtime could not be started from"));
        QVERIFY(!m_controller->ownsRunningProcess());

        m_controller = std::make_unique<CompanionProcessController>(m_settings);
        qputenv("VC_FAKE_RUNTIME", "no-listen");
        // Another version, so the executable that could not run is replaced.
        QCOMPARE(ensure("1.0.1"), "The companion runtime did not become reachable on 127.0.0.1:46901.");
        QVERIFY(m_controller->ownsRunningProcess());
    }

    void concurrentStartsLaunchOneRuntime() {
        qputenv("VC_FAKE_RUNTIME", "start-delay=150");
        auto first = m_controller->ensureRunning(QStringLiteral("1.0.0"));
        auto second = m_controller->ensureRunning(QStringLiteral("1.0.0"));
        QCOMPARE(failureOf(std::move(first)), QString());
        QCOMPARE(failureOf(std::move(second)), QString());
        QVERIFY(m_controller->ownsRunningProcess());
        QVERIFY(m_controller->detachedRuntimePIDs().isEmpty());
    }

    void stopEndsOwnedAndDetachedRuntimesOnce_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<bool>("needsKill");
        QTest::newRow("runtimes that honour SIGTERM") << QByteArray() << false;
        QTest::newRow("runtimes that ignore SIGTERM") << QByteArray("ignore-term") << true;
    }
    void stopEndsOwnedAndDetachedRuntimesOnce() {
        QFETCH(QByteArray, mode);
        QFETCH(bool, needsKill);
        qputenv("VC_FAKE_RUNTIME", mode);
        QCOMPARE(ensure("1.0.0"), QString());
        const qint64 owned = *m_controller->ownedProcessId();
        const qint64 detached = startDetached(CompanionPaths::installedRuntimeExecutable(), "1.0.0", mode,
                                              QUrl(QStringLiteral("http://127.0.0.1:%1").arg(freePort())));
        QCOMPARE(m_controller->detachedRuntimePIDs(), QList<qint64>{detached});

        QElapsedTimer elapsed;
        elapsed.start();
        QCoro::waitFor(m_controller->stop());
        // Two processes; each gets 10 polls of 20 ms before SIGKILL when it ignores SIGTERM.
        QCOMPARE(elapsed.elapsed() >= 2 * 180, needsKill);
        QVERIFY(!ProcessTable::isAlive(owned));
        QTRY_VERIFY(!ProcessTable::isAlive(detached));
        QVERIFY(!m_controller->ownsRunningProcess());
        QVERIFY(m_controller->detachedRuntimePIDs().isEmpty());

        elapsed.restart();
        QCoro::waitFor(m_controller->stop());
        QVERIFY(elapsed.elapsed() < 100);
    }

    void runtimeThatDiesIsNoticedAndRelaunched() {
        QCOMPARE(ensure("1.0.0"), QString());
        const qint64 first = *m_controller->ownedProcessId();
        ::kill(static_cast<pid_t>(first), SIGKILL);
        QTRY_VERIFY(!m_controller->ownsRunningProcess());

        QCOMPARE(ensure("1.0.0"), QString());
        QVERIFY(m_controller->ownsRunningProcess());
        QVERIFY(*m_controller->ownedProcessId() != first);
    }

private:
    qint64 startDetachedInstalledRuntime(const QByteArray& version, const QByteArray& mode = {}) {
        CompanionPaths::ensureDirectories();
        if (!QFile::exists(CompanionPaths::installedRuntimeExecutable())) {
            QFile::copy(QStringLiteral(VC_FAKE_RUNTIME), CompanionPaths::installedRuntimeExecutable());
        }
        return startDetached(CompanionPaths::installedRuntimeExecutable(), version, mode);
    }

    // A runtime left over from an earlier session: not our child.
    qint64 startDetached(const QString& program, const QByteArray& version, const QByteArray& mode = {},
                         std::optional<QUrl> base = std::nullopt) {
        const QUrl url = base.value_or(m_settings.baseURL);
        QProcess process;
        process.setProgram(program);
        process.setArguments({"run", "-agent-version", version, "-admin-listen", url.authority()});
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VC_FAKE_RUNTIME"), QString::fromLatin1(mode));
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        qint64 pid = 0;
        if (!process.startDetached(&pid)) {
            qFatal("cannot start %s", qPrintable(program));
        }
        const CompanionAPI api(url, 200ms);
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (failureOf([&api]() -> QCoro::Task<> { co_await api.healthcheck(); }()).isEmpty()) {
                return pid;
            }
            QTest::qWait(10);
        }
        qFatal("the runtime started from %s never answered", qPrintable(program));
    }

    QString ensure(const char* version) {
        return failureOf(m_controller->ensureRunning(QString::fromLatin1(version)));
    }

    std::unique_ptr<QTemporaryDir> m_home;
    CompanionProcessController::Settings m_settings;
    std::unique_ptr<CompanionProcessController> m_controller;
    QList<qint64> m_startedElsewhere;
};

QTEST_GUILESS_MAIN(TestCompanionProcessController)
#include "tst_companionprocesscontroller.moc"
