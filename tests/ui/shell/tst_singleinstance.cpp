#include "ui/shell/SingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>

#include <unistd.h>

// Two launches of the app: this test process is the first, a small program
// using the same class is the second.
class TestSingleInstance : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

    static int launchSecond(const QString& socketPath, const QStringList& extra = {}) {
        QProcess second;
        second.start(QStringLiteral(VC_SECOND_LAUNCH), QStringList{socketPath} + extra);
        // The first instance answers from this event loop.
        const bool ended = QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000);
        return ended && second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

private Q_SLOTS:
    void secondLaunchHandsOver_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("reopens");
        QTest::newRow("a plain launch raises the dashboard") << QStringList{} << 1;
        QTest::newRow("a background launch only exits") << QStringList{u"--background"_qs} << 0;
    }
    void secondLaunchHandsOver() {
        QFETCH(QStringList, arguments);
        const QString path = m_folder.filePath(QString::number(arguments.size()));
        SingleInstance first(path);
        QVERIFY(first.claim(SingleInstance::Launch::Reopen));
        QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
        QCOMPARE(launchSecond(path, arguments), 3);
        QTEST(int(reopened.count()), "reopens");
    }

    void launchBecomesTheRunningInstance_data() {
        QTest::addColumn<bool>("leftOver"); // a socket file of an instance that crashed
        QTest::newRow("nothing runs") << false;
        QTest::newRow("a crashed instance left its socket") << true;
    }
    void launchBecomesTheRunningInstance() {
        QFETCH(bool, leftOver);
        const QString path = m_folder.filePath(leftOver ? u"crashed"_qs : u"none"_qs);
        if (leftOver) {
            // A bound socket nobody listens on any more.
            const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            std::copy(name.begin(), name.end(), address.sun_path);
            QCOMPARE(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(socket);
            QVERIFY(QFileInfo(path).exists());
        }
        QCOMPARE(launchSecond(path), 0);
        // And that one's socket is gone with it: the next launch runs too.
        QCOMPARE(launchSecond(path), 0);
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
