#include "supervision/ProcessTable.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

// The built bundle with windows (offscreen), on a fresh account: one running
// instance per user, and SIGTERM ends it after stopping its runtime.
class TestDesktopApp : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_executable;
    QProcessEnvironment m_environment;

    QList<qint64> runtimes() const {
        const QString installed = m_home.filePath("data/Vendrilo Connect/Runtime/vendrilo-connect-companion");
        QList<qint64> pids;
        for (const qint64 pid : ProcessTable::processIds()) {
            if (ProcessTable::isAlive(pid) && ProcessTable::executablePath(pid) == installed) {
                pids.append(pid);
            }
        }
        return pids;
    }
    void launch(QProcess& app, const QStringList& arguments = {}) const {
        app.setProcessEnvironment(m_environment);
        app.start(m_executable, arguments);
        QVERIFY(app.waitForStarted());
    }

private Q_SLOTS:
    void initTestCase() {
        const QString bundle = m_home.filePath("Apps/Vendrilo Connect.app");
        QVERIFY(QDir().mkpath(m_home.filePath("Apps")) && QDir().mkpath(m_home.filePath("run")));
        QCOMPARE(QProcess::execute("cp", {"-a", VC_BUNDLE_DIR, bundle}), 0);
        QVERIFY(QFile::setPermissions(m_home.filePath("run"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_executable = bundle + "/Contents/MacOS/vendrilo-connect";
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("DISPLAY", ":0"); // a display is present; offscreen draws it
        m_environment.insert("QT_QPA_PLATFORM", "offscreen");
        m_environment.remove("WAYLAND_DISPLAY");
        m_environment.remove("DBUS_SESSION_BUS_ADDRESS");
        m_environment.insert("HOME", m_home.path());
        m_environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
        m_environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        m_environment.insert("XDG_RUNTIME_DIR", m_home.filePath("run"));
        m_environment.insert("VENDRILO_CONNECT_RELEASE_FEED_URL", "http://127.0.0.1:9/companion.json");
    }

    void oneInstanceThenSigtermLeavesNoRuntime() {
        QProcess first;
        const auto stopAll = qScopeGuard([&] {
            first.kill();
            first.waitForFinished();
            for (const qint64 pid : runtimes()) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        });
        launch(first);
        // The dashboard opened and started the runtime.
        QTRY_COMPARE_WITH_TIMEOUT(runtimes().size(), 1, 30000);

        for (const QStringList& arguments : {QStringList{}, QStringList{"--background"}}) {
            QProcess second;
            launch(second, arguments);
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(first.state(), QProcess::Running);
        }
        QCOMPARE(runtimes().size(), 1);

        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(runtimes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktopApp)
#include "tst_desktopapp.moc"
