#include "RuntimeProcess.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <netinet/in.h>
#include <sys/socket.h>

#include <csignal>
#include <unistd.h>

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// A loopback port that refuses connections for the test's life: bound, never listening.
class RefusingPort {
public:
    RefusingPort() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(m_fd); }
    quint16 port() const { return m_port; }

private:
    int m_fd;
    quint16 m_port = 0;
};

} // namespace

// `vendrilo-connect ctl` from the built bundle against the real runtime on a
// free port; its user folders are a temporary folder.
class CtlTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        m_runtime = std::make_unique<RuntimeProcess>(m_home.filePath(u"runtime"_qs));
        QVERIFY(m_runtime->start());
        m_admin = u"http://127.0.0.1:%1"_qs.arg(m_runtime->adminPort());

        m_feed.route(u"/feed.json"_qs, [] {
            return QJsonDocument(
                       QJsonObject{
                           {u"schema_version"_qs, 1},
                           {u"stable"_qs,
                            QJsonObject{
                                {u"version"_qs, u"1.4.0"_qs},
                                {u"platforms"_qs,
                                 QJsonObject{{u"linux"_qs,
                                              QJsonObject{{u"download_url"_qs,
                                                           u"https://example.invalid/v.tar.gz"_qs}}}}}}}})
                .toJson();
        });
        auto* server = new QTcpServer(this);
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        m_feed.bind(server);
        m_feedURL = u"http://127.0.0.1:%1"_qs.arg(server->serverPort());

        QDir().mkpath(m_home.filePath(u"data/Vendrilo Connect/Logs"_qs));
        QFile log(m_home.filePath(u"data/Vendrilo Connect/Logs/companion.log"_qs));
        QVERIFY(log.open(QIODevice::WriteOnly));
        for (int line = 1; line <= 30; ++line) {
            log.write("line " + QByteArray::number(line) + '\n');
        }
    }

    // Each row is one step of a session with the same runtime, in order.
    void commands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedOut");
        QTest::addColumn<QString>("expectedErr");
        const QString refused = QString::number(m_refusing.port());
        const auto row = [](const char* name, QStringList arguments, int code, QString out,
                            QString err = {}) { QTest::newRow(name) << arguments << code << out << err; };
        row("help", {u"--help"_qs}, 0, u"  3  runtime unreachable\n"_qs);
        row("help of a command", {u"clients"_qs, u"add"_qs, u"--help"_qs}, 0, u"Exit status:"_qs);
        row("no command", {}, 2, {}, u"vendrilo-connect ctl: A command is missing."_qs);
        row("unknown command", {u"bogus"_qs}, 2, {}, u"Unknown command bogus."_qs);
        row("unknown option", {u"status"_qs, u"--verbose"_qs}, 2, {}, u"Unknown option --verbose."_qs);
        row("port out of range", {u"clients"_qs, u"add"_qs, u"--label"_qs, u"X"_qs, u"--port"_qs, u"0"_qs}, 2,
            {}, u"--port needs a number from 1 to 65535."_qs);
        row("unknown client type",
            {u"clients"_qs, u"add"_qs, u"--label"_qs, u"X"_qs, u"--type"_qs, u"rtorrent"_qs}, 2, {},
            u"--type needs qbittorrent, transmission or deluge."_qs);
        row("remove without a client", {u"clients"_qs, u"remove"_qs}, 2, {},
            u"clients remove needs the id or label of a client."_qs);
        row("nothing answers",
            {u"--no-start"_qs, u"--admin-url"_qs, u"http://127.0.0.1:"_qs + refused, u"status"_qs}, 3, {},
            u"No companion runtime answers on http://127.0.0.1:"_qs + refused + u"."_qs);
        row("status without clients", {u"status"_qs}, 0,
            u"Status:     Setup required\nCompanion:  Test Box (9.9.9)\n"_qs);
        row("add refused by the runtime", {u"clients"_qs, u"add"_qs, u"--label"_qs, u"  "_qs}, 1, {},
            u"Enter a name for the torrent client.\n"_qs);
        row("add", {u"clients"_qs, u"add"_qs, u"--label"_qs, u" Seedbox "_qs, u"--port"_qs, refused}, 0,
            u"Torrent client saved.\n"_qs);
        row("list", {u"clients"_qs, u"list"_qs}, 0,
            u"  Seedbox  qbittorrent at localhost:"_qs + refused + u"  unknown"_qs);
        row("test one that does not work", {u"clients"_qs, u"test"_qs, u"SEEDBOX"_qs}, 1,
            u"Seedbox was tested again.\nSeedbox: unreachable ("_qs);
        row("test all", {u"clients"_qs, u"test"_qs}, 1,
            u"All configured clients were tested.\nSeedbox: unreachable"_qs);
        row("remove unknown", {u"clients"_qs, u"remove"_qs, u"Nothing"_qs}, 1, {},
            u"No torrent client has the id or label “Nothing”.\n"_qs);
        row("remove", {u"clients"_qs, u"remove"_qs, u"seedbox"_qs}, 0, u"Seedbox was removed.\n"_qs);
        row("list empty", {u"clients"_qs, u"list"_qs}, 0, u"No torrent clients are configured.\n"_qs);
        row("unpair", {u"unpair"_qs}, 0,
            u"The companion was unpaired. Pair again from Vendrilo on Android when you are ready.\n"_qs);
        row("logs", {u"logs"_qs, u"-n"_qs, u"3"_qs}, 0, u"line 28\nline 29\nline 30\n"_qs);
        row("update available", {u"update"_qs, u"check"_qs}, 0,
            u"Vendrilo Connect 1.4.0 is ready to install.\nDownload: https://example.invalid/v.tar.gz\n"_qs);
    }
    void commands() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, expectedOut);
        QFETCH(QString, expectedErr);
        const Outcome outcome = ctl(arguments);
        QVERIFY2(outcome.out.contains(expectedOut), qPrintable(outcome.out));
        QVERIFY2(outcome.err.contains(expectedErr), qPrintable(outcome.err));
        QCOMPARE(outcome.code, exitCode);
    }

    void updateFeedFailureIsAFailure() {
        const Outcome outcome = ctl({u"update"_qs, u"check"_qs},
                                    {u"VENDRILO_CONNECT_RELEASE_FEED_URL="_qs + m_feedURL + u"/none"_qs});
        QCOMPARE(std::tuple(outcome.code, outcome.err.trimmed().section(u'\n', -1)),
                 std::tuple(1, u"The release manifest could not be loaded."_qs));
    }

    void statusJsonHasTheDocumentedShape() {
        QCOMPARE(m_runtime
                     ->post(u"/v1/clients/save"_qs,
                            RuntimeProcess::clientJson(u"nas"_qs, u"NAS"_qs, m_refusing.port(), u"deluge"_qs))
                     .status,
                 200);
        const Outcome outcome = ctl({u"status"_qs, u"--json"_qs});
        QCOMPARE(outcome.code, 0);
        QJsonParseError error;
        const QJsonObject status = QJsonDocument::fromJson(outcome.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject health = QJsonDocument::fromJson(m_runtime->get(u"/v1/health"_qs).body).object();
        const QJsonObject client = status[u"clients"_qs].toArray().at(0).toObject();
        const QList<std::pair<QJsonValue, QJsonValue>> checks{
            {status[u"schema_version"_qs], 1},
            {status[u"status"_qs], u"Setup required"_qs},
            {status[u"health"_qs], health[u"status"_qs]},
            {status[u"companion"_qs][u"name"_qs], u"Test Box"_qs},
            {status[u"companion"_qs][u"version"_qs], u"9.9.9"_qs},
            {status[u"connection"_qs][u"mode"_qs], health[u"connection"_qs][u"mode"_qs]},
            {status[u"pairing"_qs][u"status"_qs], u"unpaired"_qs},
            {status[u"pairing"_qs][u"code"_qs], QJsonValue::Null},
            {status[u"clients"_qs].toArray().size(), 1},
            {client[u"id"_qs], u"nas"_qs},
            {client[u"label"_qs], u"NAS"_qs},
            {client[u"type"_qs], u"deluge"_qs},
            {client[u"host"_qs], u"127.0.0.1"_qs},
            {client[u"port"_qs], m_refusing.port()},
            {client[u"auth_state"_qs], u"unknown"_qs},
            {client[u"last_ok_at"_qs], QJsonValue::Null},
        };
        for (const auto& [actual, expected] : checks) {
            QCOMPARE(actual, expected);
        }
        QCOMPARE(m_runtime->post(u"/v1/clients/delete"_qs, R"({"client_id":"nas"})").status, 200);
    }

    // Approved over the local-network route, as the phone does; Ctrl+C cancels instead.
    void pairEndsWithTheRuntimesPairing_data() {
        QTest::addColumn<bool>("approve");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<QString>("runtimeStatus");
        QTest::newRow("approved on the phone") << true << 0 << u"Pairing approved."_qs << u"paired"_qs;
        QTest::newRow("Ctrl+C") << false << 1 << u"Pairing cancelled."_qs << u"unpaired"_qs;
    }
    void pairEndsWithTheRuntimesPairing() {
        QFETCH(bool, approve);
        QFETCH(int, exitCode);
        QFETCH(QString, lastLine);
        QFETCH(QString, runtimeStatus);
        QProcess pair;
        start(pair, {u"pair"_qs});
        QString out;
        static const QRegularExpression codeLine(u"Pairing code: (\\S+)\n"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += QString::fromUtf8(pair.readAllStandardOutput())).contains(u"Ctrl+C"_qs), 30000);
        const QString code = codeLine.match(out).captured(1);
        QVERIFY(!code.isEmpty());
        QVERIFY2(out.contains(u"Pairing link: https://"_qs) && out.contains(QChar(0x2580)), qPrintable(out));
        if (approve) {
            const QByteArray body =
                QJsonDocument(QJsonObject{{u"code"_qs, code.toLower()}, {u"trust_owner_id"_qs, u"owner"_qs}})
                    .toJson(QJsonDocument::Compact);
            QCOMPARE(m_runtime->post(u"/v1/lan/pairing/approve"_qs, body, m_runtime->lanPort()).status, 200);
        } else {
            ::kill(pid_t(pair.processId()), SIGINT);
        }
        QVERIFY(finished(pair));
        out += QString::fromUtf8(pair.readAllStandardOutput());
        QCOMPARE(std::tuple(pair.exitCode(), out.trimmed().section(u'\n', -1)),
                 std::tuple(exitCode, lastLine));
        const QJsonObject runtime = QJsonDocument::fromJson(m_runtime->get(u"/v1/runtime"_qs).body).object();
        QCOMPARE(runtime[u"identity"_qs][u"pairing"_qs][u"status"_qs].toString(), runtimeStatus);
        QCOMPARE(ctl({u"unpair"_qs}).code, 0);
    }

    void logsFollowPrintsNewLinesUntilCtrlC() {
        QProcess logs;
        start(logs, {u"logs"_qs, u"-f"_qs, u"-n"_qs, u"1"_qs});
        QString out;
        const auto read = [&] { return out += QString::fromUtf8(logs.readAllStandardOutput()); };
        // The existing end is printed first: from then on ctl is following.
        QTRY_VERIFY_WITH_TIMEOUT(read().endsWith(u"line 30\n"_qs), 20000);
        QFile log(m_home.filePath(u"data/Vendrilo Connect/Logs/companion.log"_qs));
        QVERIFY(log.open(QIODevice::Append));
        log.write("appended while following\n");
        log.close();
        QTRY_VERIFY_WITH_TIMEOUT(read().contains(u"appended"_qs), 20000);
        ::kill(pid_t(logs.processId()), SIGINT);
        QVERIFY(finished(logs));
        QCOMPARE(std::tuple(logs.exitCode(), out), std::tuple(0, u"line 30\nappended while following\n"_qs));
    }

private:
    QStringList environment(const QStringList& extra) const {
        QStringList environment = QProcessEnvironment::systemEnvironment().toStringList();
        environment << u"XDG_DATA_HOME="_qs + m_home.filePath(u"data"_qs)
                    << u"XDG_CONFIG_HOME="_qs + m_home.filePath(u"config"_qs)
                    << u"VENDRILO_CONNECT_RELEASE_FEED_URL="_qs + m_feedURL + u"/feed.json"_qs << extra;
        return environment;
    }

    void start(QProcess& process, const QStringList& arguments, const QStringList& extra = {}) {
        process.setEnvironment(environment(extra));
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(VC_APP_EXECUTABLE),
                      QStringList{u"ctl"_qs} + (arguments.contains(u"--admin-url"_qs)
                                                    ? arguments
                                                    : QStringList{u"--admin-url"_qs, m_admin} + arguments));
    }

    // Waits with the event loop running: the test's release feed answers meanwhile.
    static bool finished(QProcess& process) {
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning) {
            loop.exec();
        }
        return process.state() == QProcess::NotRunning;
    }

    Outcome ctl(const QStringList& arguments, const QStringList& extra = {}) {
        QProcess process;
        start(process, arguments, extra);
        if (!finished(process)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir m_home;
    std::unique_ptr<RuntimeProcess> m_runtime;
    RefusingPort m_refusing;
    QString m_admin;
    QHttpServer m_feed;
    QString m_feedURL;
};

QTEST_GUILESS_MAIN(CtlTest)
#include "tst_ctl.moc"
