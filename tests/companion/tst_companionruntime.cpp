#include "RuntimeProcess.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// A port on which nothing listens: bound once, then released.
quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

} // namespace

// The built runtime executable, end to end over HTTP on loopback.
class CompanionRuntimeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusesToStart_data() {
        // "", "garbage database", "database is a directory", "data dir is a file"
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QStringList flags{"-platform", "linux", "-host-name", "B", "-agent-version", "1"};
        QTest::newRow("no arguments")
            << "" << QStringList{} << 2 << "usage: vendrilo-connect run -data-dir DIR";
        QTest::newRow("non-loopback admin")
            << ""
            << (QStringList{"run", "-data-dir", "DIR"} << flags << "-admin-listen"
                                                       << "0.0.0.0:46901")
            << 2 << "vendrilo-connect: The admin API only listens on a loopback address";
        QTest::newRow("garbage database")
            << "garbage database"
            << (QStringList{"run", "-data-dir", "DIR"} << flags << "-admin-listen"
                                                       << "127.0.0.1:0")
            << 1 << "companion.db is damaged";
        QTest::newRow("database is a directory")
            << "database is a directory"
            << (QStringList{"run", "-data-dir", "DIR"} << flags << "-admin-listen"
                                                       << "127.0.0.1:0")
            << 1 << "companion.db cannot be opened";
        QTest::newRow("data dir is a file")
            << "data dir is a file"
            << (QStringList{"run", "-data-dir", "DIR"} << flags << "-admin-listen"
                                                       << "127.0.0.1:0")
            << 1 << "cannot be created";
    }
    void refusesToStart() {
        QFETCH(QString, setup);
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        QString dataDir = dir.filePath("data");
        if (setup == u"database is a directory") {
            QVERIFY(QDir().mkpath(dataDir + "/companion.db"));
        } else if (!setup.isEmpty()) {
            QDir().mkpath(dataDir);
            QFile file(dataDir + (setup == u"garbage database" ? "/companion.db" : "/sub"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'z'));
            if (setup == u"data dir is a file") {
                dataDir += "/sub/data";
            }
        }
        arguments.replaceInStrings(QStringLiteral("DIR"), dataDir);
        QByteArray standardError;
        QTEST(RuntimeProcess::runToEnd(arguments, &standardError), "exitCode");
        QFETCH(QString, message);
        QVERIFY2(standardError.contains(message.toUtf8()), standardError.constData());
    }

    void everyAnswerDecodesStrictly() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path());
        QVERIFY2(runtime.start(), runtime.output().constData());

        const auto healthz = runtime.get("/healthz");
        QCOMPARE(healthz.status, 200);
        QVERIFY(WireCoding::decode<HealthcheckPayload>(healthz.body).ok);

        const auto snapshot = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
        QCOMPARE(snapshot.state, QStringLiteral("running"));
        QCOMPARE(snapshot.dbPath, dir.filePath("companion.db"));
        QCOMPARE(snapshot.schemaVersion, 1);
        QVERIFY(snapshot.defaultConfigCreated);
        QCOMPARE(snapshot.adminAddress, QStringLiteral("127.0.0.1:%1").arg(runtime.adminPort()));
        QCOMPARE(snapshot.identity.displayName, QStringLiteral("Test Box"));
        QCOMPARE(snapshot.identity.agentVersion, QStringLiteral("9.9.9"));
        QCOMPARE(snapshot.localNetwork.listenPort, runtime.lanPort());
        QCOMPARE(snapshot.backendStatus.presenceState, PresenceState::Disconnected);
        QVERIFY(snapshot.backendStatus.lastError);
        QCOMPARE(snapshot.registeredAdapters.size(), 3);

        const auto health = WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
        QCOMPARE(health.status, CompanionHealthStatus::SetupRequired);
        QCOMPARE(health.connection.mode, QStringLiteral("setup_required"));
        QVERIFY(health.connection.localListenerReady);

        const auto pending =
            WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body);
        QCOMPARE(pending.status, PairingStatus::Pending);
        const auto link = WireCoding::decode<PairingLinkPayload>(
            runtime
                .get("/v1/pairing/link?code=" + QString::fromLatin1(QUrl::toPercentEncoding(*pending.code)))
                .body);
        QCOMPARE(link.code, *pending.code);
        QVERIFY(link.webUrl.contains(*pending.code) && link.appUrl.contains(*pending.code));

        const auto saved = WireCoding::decode<ClientConfig>(
            runtime.post("/v1/clients/save", RuntimeProcess::clientJson("", "NAS", 1)).body);
        QVERIFY(!saved.id.isEmpty());
        QCOMPARE(saved.authState, QStringLiteral("unknown"));
        QVERIFY(
            WireCoding::decode<OKPayload>(runtime.post("/v1/config/display-name", R"({"name":"<Den>"})").body)
                .ok);
        QCOMPARE(WireCoding::decodeList<ClientConfig>(runtime.post("/v1/clients/probe", "{}").body).size(),
                 1);

        const auto events =
            WireCoding::decodeList<DiagnosticEvent>(runtime.get("/v1/diagnostics?limit=2").body);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.first().code, QStringLiteral("client_check_failed")); // newest first
        QCOMPARE(events.last().code, QStringLiteral("display_name_changed"));

        const auto deleted = WireCoding::decode<DeletedPayload>(
            runtime.post("/v1/clients/delete", QStringLiteral(R"({"client_id":"%1"})").arg(saved.id).toUtf8())
                .body);
        QCOMPARE(deleted.deleted, saved.id);
        const auto reset = runtime.post("/v1/pairing/reset", R"({"reason":"macos_app_cancel_pairing"})");
        QCOMPARE(WireCoding::decode<PairingStatePayload>(reset.body).status, PairingStatus::Unpaired);

        const auto page = runtime.get("/");
        QCOMPARE(page.status, 200);
        QVERIFY(page.contentType.startsWith("text/html"));
        QVERIFY(page.body.contains("&lt;Den&gt;") && !page.body.contains("<Den>"));
    }

    void refusesBadRequests_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<RuntimeProcess::Headers>("headers");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("sentence");
        const RuntimeProcess::Headers none;
        QTest::newRow("port 0") << QByteArray("POST") << "/v1/clients/save"
                                << RuntimeProcess::clientJson("", "NAS", 0) << none << 400
                                << "Enter a port between 1 and 65535.";
        QTest::newRow("not JSON") << QByteArray("POST") << "/v1/pairing/reset" << QByteArray("{oops") << none
                                  << 400 << "The request body is not a valid JSON object.";
        QTest::newRow("missing field") << QByteArray("POST") << "/v1/config/display-name" << QByteArray("{}")
                                       << none << 400 << "The request body is missing a field";
        QTest::newRow("blank name") << QByteArray("POST") << "/v1/config/display-name"
                                    << QByteArray(R"({"name":" "})") << none << 400
                                    << "Enter a name for this computer.";
        QTest::newRow("unknown client")
            << QByteArray("POST") << "/v1/clients/delete" << QByteArray(R"({"client_id":"nope"})") << none
            << 404 << "No torrent client with this id is configured.";
        QTest::newRow("probe unknown client")
            << QByteArray("POST") << "/v1/clients/probe" << QByteArray(R"({"client_id":"nope"})") << none
            << 404 << "No torrent client with this id is configured.";
        QTest::newRow("unknown code") << QByteArray("GET") << "/v1/pairing/link?code=ABCD-EFGH"
                                      << QByteArray() << none << 404 << "No pending pairing has this code.";
        QTest::newRow("unknown route") << QByteArray("GET") << "/v2/runtime" << QByteArray() << none << 404
                                       << "There is nothing at this address.";
        QTest::newRow("wrong method") << QByteArray("GET") << "/v1/pairing/begin" << QByteArray() << none
                                      << 405 << "This address does not accept GET requests.";
        QTest::newRow("plain-text command")
            << QByteArray("POST") << "/v1/pairing/begin" << QByteArray("{}")
            << RuntimeProcess::Headers{{"Content-Type", "text/plain"}} << 403
            << "Send commands as JSON with the Content-Type application/json.";
        QTest::newRow("foreign page") << QByteArray("POST") << "/v1/pairing/begin" << QByteArray("{}")
                                      << RuntimeProcess::Headers{{"Origin", "https://evil.example"}} << 403
                                      << "Commands from other web pages are not allowed.";
        QTest::newRow("oversized body")
            << QByteArray("POST") << "/v1/clients/save" << QByteArray(100 * 1024, ' ') << none << 413
            << "The request body is too large.";
    }
    void refusesBadRequests() {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(RuntimeProcess::Headers, headers);
        QFETCH(QString, sentence);
        if (!m_shared) {
            m_sharedDir = std::make_unique<QTemporaryDir>();
            m_shared = std::make_unique<RuntimeProcess>(m_sharedDir->path());
            QVERIFY(m_shared->start());
        }
        const auto answer = method == "GET" ? m_shared->get(path) : m_shared->post(path, body, headers);
        QTEST(answer.status, "status");
        QVERIFY2(answer.body.startsWith(sentence.toUtf8()), answer.body.constData());
        QVERIFY(answer.contentType.startsWith("text/plain"));
        // The runtime still answers afterwards.
        QCOMPARE(m_shared->get("/healthz").status, 200);
    }

    void refusesForeignHostsAndChunkedBodies_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("status");
        QTest::newRow("rebound DNS name")
            << QByteArray("GET /v1/runtime HTTP/1.1\r\nHost: evil.example:PORT\r\n\r\n") << 403;
        QTest::newRow("own address") << QByteArray("GET /v1/runtime HTTP/1.1\r\nHost: localhost:PORT\r\n\r\n")
                                     << 200;
        QTest::newRow("chunked body")
            << QByteArray("POST /v1/pairing/begin HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n"
                          "Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n")
            << 411;
        QTest::newRow("huge head") << QByteArray("GET / HTTP/1.1\r\nX-Pad: " + QByteArray(40 * 1024, 'a') +
                                                 "\r\n\r\n")
                                   << 431;
    }
    void refusesForeignHostsAndChunkedBodies() {
        QFETCH(QByteArray, head);
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path());
        QVERIFY(runtime.start());
        QTEST(runtime.rawStatus(head.replace("PORT", QByteArray::number(runtime.adminPort()))), "status");
    }

    void keepsWhatItAcknowledgedAcrossRestartAndKill() {
        QTemporaryDir dir;
        QString companionId;
        QString code;
        {
            RuntimeProcess runtime(dir.path());
            QVERIFY(runtime.start());
            QCOMPARE(runtime.post("/v1/clients/save", RuntimeProcess::clientJson("", "First", 1)).status,
                     200);
            QCOMPARE(runtime.post("/v1/clients/save", RuntimeProcess::clientJson("", "Second", 2)).status,
                     200);
            QCOMPARE(runtime.post("/v1/config/display-name", R"({"name":"Den"})").status, 200);
            code =
                *WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body).code;
            QCOMPARE(runtime.terminate(2s), 0);
        }
        {
            RuntimeProcess runtime(dir.path());
            QVERIFY(runtime.start());
            const auto snapshot = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
            QVERIFY(!snapshot.defaultConfigCreated);
            QCOMPARE(snapshot.identity.displayName, QStringLiteral("Den"));
            QCOMPARE(snapshot.identity.pairing.code, code);
            QCOMPARE(snapshot.clients.size(), 2);
            QCOMPARE(snapshot.clients.at(1).label, QStringLiteral("Second"));
            QCOMPARE(snapshot.clients.at(1).password, QStringLiteral("secret"));
            // The last change is acknowledged, then the process is killed at once.
            QCOMPARE(runtime.post("/v1/clients/save", RuntimeProcess::clientJson("", "Third", 3)).status,
                     200);
            QCOMPARE(runtime.post("/v1/pairing/reset", R"({"reason":"x"})").status, 200);
            ::kill(pid_t(runtime.pid()), SIGKILL);
        }
        RuntimeProcess runtime(dir.path());
        QVERIFY(runtime.start());
        const auto snapshot = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
        QCOMPARE(snapshot.clients.size(), 3);
        QCOMPARE(snapshot.clients.last().label, QStringLiteral("Third"));
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Unpaired);
    }

    void pairsThroughTheLocalNetwork() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path());
        QVERIFY(runtime.start());
        const QString code =
            *WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body).code;
        QCOMPARE(QJsonDocument::fromJson(runtime.lanGet("/v1/lan/hello").body)["pairing_status"].toString(),
                 QStringLiteral("pending"));

        const auto wrong =
            runtime.lanPost("/v1/lan/pairing/approve", R"({"code":"ZZZZ-ZZZZ","trust_owner_id":"o"})");
        QCOMPARE(wrong.status, 403);
        QCOMPARE(wrong.body, QByteArray("That pairing code is not valid."));
        const auto approved = runtime.lanPost(
            "/v1/lan/pairing/approve",
            QStringLiteral(R"({"code":"%1","trust_owner_id":"owner-7"})").arg(code.toLower()).toUtf8());
        QCOMPARE(approved.status, 200);
        const QString companionId = QJsonDocument::fromJson(approved.body)["companion_id"].toString();
        QVERIFY(!companionId.isEmpty());

        const auto snapshot = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Paired);
        QCOMPARE(snapshot.identity.companionId, companionId);
        QCOMPARE(snapshot.identity.trustOwnerId, QStringLiteral("owner-7"));
        QVERIFY(!snapshot.identity.pairing.code);
        const auto health = WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
        QCOMPARE(health.status, CompanionHealthStatus::Healthy);
        QCOMPARE(health.connection.mode, QStringLiteral("local_ready"));
        QVERIFY(health.pairing.trustOwnerKnown);

        QCOMPARE(runtime.post("/v1/pairing/begin", "{}").status, 409);
        QCOMPARE(runtime.post("/v1/pairing/reset", R"({"reason":"macos_app_reset"})").status, 200);
        const auto unpaired = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
        QCOMPARE(unpaired.identity.pairing.status, PairingStatus::Unpaired);
        QVERIFY(!unpaired.identity.companionId);
        const QByteArray again = QStringLiteral(R"({"code":"%1","trust_owner_id":"o"})").arg(code).toUtf8();
        QCOMPARE(runtime.lanPost("/v1/lan/pairing/approve", again).status, 409);
    }

    void pendingPairingExpires() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path(), {"VENDRILO_CONNECT_PAIRING_TTL_MS=300"});
        QVERIFY(runtime.start());
        const QString code =
            *WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body).code;
        QTRY_VERIFY_WITH_TIMEOUT(runtime.output().contains("pairing_expired"), 5000);
        const auto snapshot = WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Unpaired);
        QCOMPARE(runtime.get("/v1/pairing/link?code=" + code).status, 404);
        const auto events =
            WireCoding::decodeList<DiagnosticEvent>(runtime.get("/v1/diagnostics?limit=1").body);
        QCOMPARE(events.first().code, QStringLiteral("pairing_expired"));
    }

    void checksClientsConcurrentlyAndStoresTheResults() {
        // Two clients that accept and never answer, one with nothing listening.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path(), {"VENDRILO_CONNECT_CLIENT_CHECK_TIMEOUT_MS=1000"});
        QVERIFY(runtime.start());
        for (const auto& [id, port] :
             {std::pair{"slow1", silent.serverPort()}, std::pair{"slow2", silent.serverPort()},
              std::pair{"closed", closedPort()}}) {
            QCOMPARE(runtime.post("/v1/clients/save", RuntimeProcess::clientJson(id, id, port)).status, 200);
        }
        QElapsedTimer timer;
        timer.start();
        const auto probe = runtime.post("/v1/clients/probe", "{}");
        QCOMPARE(probe.status, 200);
        QVERIFY2(timer.elapsed() < 1900, qPrintable(QString::number(timer.elapsed()))); // not 2 × 1000 ms
        for (const ClientConfig& client : WireCoding::decodeList<ClientConfig>(probe.body)) {
            QVERIFY2(client.authState != u"ok" && client.authState != u"unknown",
                     qPrintable(client.authState));
            QVERIFY(client.lastError && !client.lastOkAt);
        }

        const auto health = WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
        QCOMPARE(health.clients.degraded, 3);
        QCOMPARE(health.recentErrors.size(), 3);
        QCOMPARE(health.recentErrors.first().code, QStringLiteral("client_check_failed"));

        // Renaming keeps the result; pointing the client elsewhere drops it.
        const auto checked = WireCoding::decodeList<ClientConfig>(probe.body);
        const auto closed =
            std::find_if(checked.begin(), checked.end(), [](const auto& c) { return c.id == u"closed"; });
        QVERIFY(closed != checked.end());
        const auto renamed = WireCoding::decode<ClientConfig>(
            runtime
                .post("/v1/clients/save", RuntimeProcess::clientJson("closed", "Renamed", int(closed->port)))
                .body);
        QCOMPARE(renamed.label, QStringLiteral("Renamed"));
        QCOMPARE(renamed.authState, closed->authState);
        QCOMPARE(renamed.lastError, closed->lastError);
        const auto moved = WireCoding::decode<ClientConfig>(
            runtime.post("/v1/clients/save", RuntimeProcess::clientJson("closed", "Renamed", 1)).body);
        QCOMPARE(moved.authState, QStringLiteral("unknown"));
        QVERIFY(!moved.lastError);
    }

    void stopsOnSigtermAfterFinishingRequests() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path(), {"VENDRILO_CONNECT_CLIENT_CHECK_TIMEOUT_MS=400"});
        QVERIFY(runtime.start());
        QCOMPARE(
            runtime.post("/v1/clients/save", RuntimeProcess::clientJson("slow", "Slow", silent.serverPort()))
                .status,
            200);
        QNetworkReply* probe = runtime.postLater("/v1/clients/probe", "{}");
        QTRY_VERIFY(silent.hasPendingConnections()); // the check is under way
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(runtime.terminate(2s), 0);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(RuntimeProcess::wait(probe).status, 200);
    }

private:
    std::unique_ptr<QTemporaryDir> m_sharedDir;
    std::unique_ptr<RuntimeProcess> m_shared;
};

QTEST_GUILESS_MAIN(CompanionRuntimeTest)
#include "tst_companionruntime.moc"
