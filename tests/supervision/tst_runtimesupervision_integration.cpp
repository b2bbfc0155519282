#include "common/RuntimeProcesses.h"
#include "common/TaskFailure.h"
#include "runtime/CompanionAPI.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"

#include <QTemporaryDir>
#include <QTest>

// The real runtime on 127.0.0.1:46901 through a whole life: first start,
// adoption by a new session, replacement by another version, shutdown.
class TestRuntimeSupervisionIntegration : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        QVERIFY2(runtimePortIsFree(), "something already listens on 127.0.0.1:46901");
    }

    void cleanupTestCase() {
        for (auto& session : m_sessions) {
            QCoro::waitFor(session->stop());
        }
        killRuntimeProcesses();
    }

    void firstStartInstallsLaunchesAndAnswers() {
        auto& first = newSession();
        QCOMPARE(failureOf(first.ensureRunning("1.0.0")), QString());
        QCOMPARE(runtimeProcesses(), QList<qint64>{first.ownedProcessId().value_or(0)});
        const RuntimeSnapshot snapshot = currentRuntime();
        QCOMPARE(snapshot.identity.agentVersion, "1.0.0");
        QCOMPARE(snapshot.identity.platform, CompanionPaths::platformName());
        QCOMPARE(snapshot.identity.displayName, "Integration Host");
    }

    void sameVersionIsAdoptedByTheNextSession() {
        const QList<qint64> running = runtimeProcesses();
        const QDateTime copiedAt = QFileInfo(CompanionPaths::installedRuntimeExecutable()).lastModified();
        auto& second = newSession();
        QCOMPARE(failureOf(second.ensureRunning("1.0.0")), QString());
        QVERIFY(!second.ownsRunningProcess());
        QCOMPARE(runtimeProcesses(), running);
        QCOMPARE(QFileInfo(CompanionPaths::installedRuntimeExecutable()).lastModified(), copiedAt);
    }

    void anotherVersionIsStoppedAndReplaced() {
        const QList<qint64> old = runtimeProcesses();
        auto& third = newSession();
        QCOMPARE(failureOf(third.ensureRunning("1.0.1")), QString());
        QCOMPARE(runtimeProcesses(), QList<qint64>{third.ownedProcessId().value_or(0)});
        QVERIFY(!ProcessTable::isAlive(old.value(0)));
        // The session that launched the old runtime notices its end.
        QTRY_VERIFY(!m_sessions.front()->ownsRunningProcess());
        QCOMPARE(currentRuntime().identity.agentVersion, "1.0.1");
    }

    void shutdownLeavesNoRuntimeAndRunsOnce() {
        for (int run = 0; run < 2; ++run) {
            QCoro::waitFor(m_sessions.back()->stop());
            QVERIFY(runtimeProcesses().isEmpty());
        }
        QVERIFY(!failureOf([]() -> QCoro::Task<> { co_await api().healthcheck(); }()).isEmpty());
    }

private:
    CompanionProcessController& newSession() {
        m_sessions.push_back(
            std::make_unique<CompanionProcessController>(CompanionProcessController::Settings{
                .bundledRuntime = VC_COMPANION_RUNTIME, .hostName = u"Integration Host"_qs}));
        return *m_sessions.back();
    }

    static CompanionAPI api() { return CompanionAPI(CompanionPaths::dashboardBaseURL()); }

    static RuntimeSnapshot currentRuntime() {
        RuntimeSnapshot snapshot;
        failureOf([&snapshot]() -> QCoro::Task<> { snapshot = co_await api().runtime(); }());
        return snapshot;
    }

    QTemporaryDir m_home;
    std::vector<std::unique_ptr<CompanionProcessController>> m_sessions;
};

QTEST_GUILESS_MAIN(TestRuntimeSupervisionIntegration)
#include "tst_runtimesupervision_integration.moc"
