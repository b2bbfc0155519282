#include "RuntimeProcess.h"
#include "common/FileText.h"
#include "common/RefusingPort.h"

#include <QHttpServer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

struct Outcome {
    int code = -1;
    QString out, err;
};

// Out of the class: moc misreads raw strings.
const char* const feed = R"({"schema_version": 1, "stable": {"version": "1.4.0", "platforms": )"
                         R"({"linux": {"download_url": "https://example.invalid/v.tar.gz"}}}})";
const QString statusShape = QStringLiteral(
    R"({"schema_version": 1, "status": "Setup required", "health": "%1", )"
    R"("companion": {"name": "Test Box", "version": "9.9.9", "companion_id": null}, )"
    R"("connection": {"mode": "%2"}, "pairing": {"status": "unpaired", "code": null, "expires_at": null}, )"
    R"("clients": [{"id": "nas", "label": "NAS", "type": "deluge", "host_kind": "local", )"
    R"("host": "127.0.0.1", "port": %3, "auth_state": "unknown", "last_ok_at": null, "last_error": null}]})");

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

        m_feed.route(u"/feed.json"_qs, [] { return QByteArray(feed); });
        auto* server = new QTcpServer(this);
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        m_feed.bind(server);
        m_feedURL = u"http://127.0.0.1:%1"_qs.arg(server->serverPort());

        QByteArray lines;
        for (int line = 1; line <= 30; ++line) {
            lines += "line " + QByteArray::number(line) + '\n';
        }
        QVERIFY(writeFile(logFile(), lines));
    }

    // Each row is one step of a session with the same runtime, in order. Arguments are
    // separated by "|"; REFUSED stands for a port where nothing answers.
    void commands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expectedOut");
        QTest::addColumn<QString>("expectedErr");
        const QString refused = QString::number(m_refusing.port());
        const auto fill = [&](const char* text) {
            return QString::fromUtf8(text).replace(u"REFUSED"_qs, refused);
        };
        const auto row = [&](const char* name, const char* arguments, int code, const char* out,
                             const char* err = "") {
            QTest::newRow(name) << fill(arguments).split(u'|', Qt::SkipEmptyParts) << code << fill(out)
                                << fill(err);
        };
        row("help", "--help", 0, "  3  runtime unreachable\n");
        row("help of a command", "clients|add|--help", 0, "Exit status:");
        row("no command", "", 2, "", "vendrilo-connect ctl: A command is missing.");
        row("unknown command", "bogus", 2, "", "Unknown command bogus.");
        row("unknown option", "status|--verbose", 2, "", "Unknown option --verbose.");
        row("port out of range", "clients|add|--label|X|--port|0", 2, "",
            "--port needs a number from 1 to 65535.");
        row("unknown client type", "clients|add|--label|X|--type|rtorrent", 2, "",
            "--type needs qbittorrent, transmission or deluge.");
        row("remove without a client", "clients|remove", 2, "",
            "clients remove needs the id or label of a client.");
        row("nothing answers", "--no-start|--admin-url|http://127.0.0.1:REFUSED|status", 3, "",
            "No companion runtime answers on http://127.0.0.1:REFUSED.");
        row("status without clients", "status", 0,
            "Status:     Setup required\nCompanion:  Test Box (9.9.9)\n");
        row("add refused by the runtime", "clients|add|--label|  ", 1, "",
            "Enter a name for the torrent client.\n");
        row("add", "clients|add|--label| Seedbox |--port|REFUSED", 0, "Torrent client saved.\n");
        row("list", "clients|list", 0, "  Seedbox  qbittorrent at localhost:REFUSED  unknown");
        row("test one that does not work", "clients|test|SEEDBOX", 1,
            "Seedbox was tested again.\nSeedbox: unreachable (");
        row("test all", "clients|test", 1, "All configured clients were tested.\nSeedbox: unreachable");
        row("remove unknown", "clients|remove|Nothing", 1, "",
            "No torrent client has the id or label “Nothing”.\n");
        row("remove", "clients|remove|seedbox", 0, "Seedbox was removed.\n");
        row("list empty", "clients|list", 0, "No torrent clients are configured.\n");
        row("unpair", "unpair", 0,
            "The companion was unpaired. Pair again from Vendrilo on Android when you are ready.\n");
        row("logs", "logs|-n|3", 0, "line 28\nline 29\nline 30\n");
        row("update available", "update|check", 0,
            "Vendrilo Connect 1.4.0 is ready to install.\nDownload: https://example.invalid/v.tar.gz\n");
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

    // The documented shape, with what the runtime says.
    void statusJsonHasTheDocumentedShape() {
        QCOMPARE(m_runtime->save(u"nas"_qs, u"NAS"_qs, m_refusing.port(), u"deluge"_qs).status, 200);
        const Outcome outcome = ctl({u"status"_qs, u"--json"_qs});
        QCOMPARE(outcome.code, 0);
        const QJsonObject health = QJsonDocument::fromJson(m_runtime->get(u"/v1/health"_qs).body).object();
        const QJsonDocument expected = QJsonDocument::fromJson(
            statusShape
                .arg(health[u"status"_qs].toString(), health[u"connection"_qs][u"mode"_qs].toString(),
                     QString::number(m_refusing.port()))
                .toUtf8());
        QVERIFY(expected.isObject());
        QJsonObject status = QJsonDocument::fromJson(outcome.out.toUtf8()).object();
        for (const QString& part : {u"connection"_qs, u"pairing"_qs}) {
            QJsonObject object = status.take(part).toObject();
            QVERIFY(!object.take(u"label"_qs).toString().isEmpty()); // wording of its own
            status.insert(part, object);
        }
        QVERIFY2(status == expected.object(), qPrintable(outcome.out));
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
                QStringLiteral(R"({"code":"%1","trust_owner_id":"owner"})").arg(code.toLower()).toUtf8();
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
        QFile log(logFile());
        QVERIFY(log.open(QIODevice::Append) && log.write("appended while following\n") > 0);
        log.close();
        QTRY_VERIFY_WITH_TIMEOUT(read().contains(u"appended"_qs), 20000);
        ::kill(pid_t(logs.processId()), SIGINT);
        QVERIFY(finished(logs));
        QCOMPARE(std::tuple(logs.exitCode(), out), std::tuple(0, u"line 30\nappended while following\n"_qs));
    }

private:
    void start(QProcess& process, const QStringList& arguments, const QStringList& environment = {}) {
        process.setEnvironment(QProcessEnvironment::systemEnvironment().toStringList()
                               << u"XDG_DATA_HOME="_qs + m_home.filePath(u"data"_qs)
                               << u"XDG_CONFIG_HOME="_qs + m_home.filePath(u"config"_qs)
                               << u"VENDRILO_CONNECT_RELEASE_FEED_URL="_qs + m_feedURL + u"/feed.json"_qs
                               << environment);
        process.setStandardInputFile(QProcess::nullDevice());
        const bool ownAddress = arguments.contains(u"--admin-url"_qs);
        process.start(QStringLiteral(VC_APP_EXECUTABLE),
                      QStringList{u"ctl"_qs} +
                          (ownAddress ? QStringList() : QStringList{u"--admin-url"_qs, m_admin}) + arguments);
    }

    // Waits with the event loop running: the test's release feed answers meanwhile.
    static bool finished(QProcess& process) {
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000);
    }

    QString logFile() const { return m_home.filePath(u"data/Vendrilo Connect/Logs/companion.log"_qs); }

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
