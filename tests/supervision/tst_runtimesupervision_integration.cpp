#include "common/RuntimeProcesses.h"
#include "common/TaskFailure.h"
#include "runtime/CompanionAPI.h"
#include "supervision/CompanionPaths.h"
#include "supervision/CompanionProcessController.h"

#include <QTemporaryDir>
#include <QTest>

// The real runtime on 127.0.0.1:46901 started and stopped by the process
// controller; adoption and replacement are the stand-in runtime's tests.
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

    void cleanupTestCase() { killRuntimeProcesses(); }

    void startsAnswersAndStops() {
        CompanionProcessController session(
            {.bundledRuntime = VC_COMPANION_RUNTIME, .hostName = u"Integration Host"_qs});
        QCOMPARE(failureOf(session.ensureRunning("1.0.0")), QString());
        QCOMPARE(runtimeProcesses(), QList<qint64>{session.ownedProcessId().value_or(0)});
        const CompanionAPI api(CompanionPaths::dashboardBaseURL());
        RuntimeSnapshot snapshot;
        QCOMPARE(failureOf([&]() -> QCoro::Task<> { snapshot = co_await api.runtime(); }()), QString());
        QCOMPARE(std::tuple(snapshot.identity.agentVersion, snapshot.identity.platform,
                            snapshot.identity.displayName),
                 std::tuple(u"1.0.0"_qs, CompanionPaths::platformName(), u"Integration Host"_qs));

        QCoro::waitFor(session.stop());
        QVERIFY(runtimeProcesses().isEmpty());
        QVERIFY(!failureOf([&]() -> QCoro::Task<> { co_await api.healthcheck(); }()).isEmpty());
    }

private:
    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(TestRuntimeSupervisionIntegration)
#include "tst_runtimesupervision_integration.moc"
