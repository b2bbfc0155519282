#include "common/RuntimeProcesses.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// With nothing on the admin address, ctl starts the bundled runtime through the
// supervision and leaves it running; restart replaces it. Uses 127.0.0.1:46901.
class CtlSupervisionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsTheRuntimeAndRestartsIt() {
        QVERIFY(m_home.isValid());
        QCOMPARE(runtimeProcesses(installed()), QList<qint64>{});
        const auto [statusCode, statusOut] = ctl({u"status"_qs});
        QCOMPARE(statusCode, 0);
        QVERIFY2(statusOut.contains(u"Companion:  "_qs), qPrintable(statusOut));
        // Still serving after ctl ended.
        const QList<qint64> started = runtimeProcesses(installed());
        QCOMPARE(started.size(), 1);

        QCOMPARE(ctl({u"restart"_qs}), std::pair(0, u"The bundled companion runtime restarted.\n"_qs));
        const QList<qint64> restarted = runtimeProcesses(installed());
        QCOMPARE(restarted.size(), 1);
        QVERIFY(restarted != started);
    }

    void cleanupTestCase() {
        killRuntimeProcesses(installed());
        QTRY_COMPARE(runtimeProcesses(installed()), QList<qint64>{});
    }

private:
    // The runtime the supervision installed in the test's data folder.
    QString installed() const {
        return QFileInfo(m_home.filePath(u"data/Vendrilo Connect/Runtime"_qs)).canonicalFilePath() +
               u"/vendrilo-connect-companion"_qs;
    }

    std::pair<int, QString> ctl(const QStringList& arguments) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_qs, m_home.filePath(u"data"_qs));
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_home.filePath(u"config"_qs));
        environment.insert(u"VENDRILO_CONNECT_LAN_PORT"_qs, u"0"_qs);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VC_APP_EXECUTABLE), QStringList{u"ctl"_qs} + arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return {-1, {}};
        }
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
    }

    QTemporaryDir m_home;
};

QTEST_GUILESS_MAIN(CtlSupervisionTest)
#include "tst_ctl_supervision.moc"
