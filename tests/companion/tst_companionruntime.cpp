#include "RuntimeProcess.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;

namespace {

RuntimeSnapshot snapshotOf(RuntimeProcess& runtime) {
    return WireCoding::decode<RuntimeSnapshot>(runtime.get("/v1/runtime").body);
}

HealthSummary healthOf(RuntimeProcess& runtime) {
    return WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
}

QString beginPairing(RuntimeProcess& runtime) {
    return *WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body).code;
}

} // namespace

// The built runtime executable, end to end over HTTP on loopback.
class CompanionRuntimeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_shared.start()); }

    void refusesToStart_data() {
        QTest::addColumn<QStringList>("arguments"); // "DIR" stands for the data directory
        QTest::addColumn<QString>("garbageFile");   // made inside the data directory
        QTest::addColumn<QString>("folder");        // likewise
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const auto run = [](const char* dataDir, const char* admin) {
            return QStringList{"run", "-data-dir",      dataDir, "-platform",     "linux", "-host-name",
                               "B",   "-agent-version", "1",     "-admin-listen", admin};
        };
        const auto row = [](const char* name, const QStringList& arguments, const char* garbageFile,
                            const char* folder, int exitCode, const char* message) {
            QTest::newRow(name) << arguments << garbageFile << folder << exitCode << message;
        };
        const QStringList loopback = run("DIR", "127.0.0.1:0");
        row("no arguments", {}, "", "", 2, "usage: vendrilo-connect run -data-dir DIR");
        row("non-loopback admin", run("DIR", "0.0.0.0:46901"), "", "", 2,
            "vendrilo-connect: The admin API only listens on a loopback address");
        row("garbage database", loopback, "companion.db", "", 1, "companion.db is damaged");
        row("database is a directory", loopback, "", "companion.db", 1, "companion.db cannot be opened");
        row("data dir is a file", run("DIR/sub/data", "127.0.0.1:0"), "sub", "", 1, "cannot be created");
    }
    void refusesToStart() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, garbageFile);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("data/" + folder));
        if (!garbageFile.isEmpty()) {
            QFile file(dir.filePath("data/" + garbageFile));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'z'));
        }
        arguments.replaceInStrings(QStringLiteral("DIR"), dir.filePath("data"));
        QByteArray standardError;
        QTEST(RuntimeProcess::runToEnd(arguments, &standardError), "exitCode");
        QFETCH(QString, message);
        QVERIFY2(standardError.contains(message.toUtf8()), standardError.constData());
    }

    // Every endpoint once, in the order the app and a phone use them.
    void everyAnswerDecodesStrictlyAndPairs() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path());
        QVERIFY2(runtime.start(), runtime.output().constData());

        QVERIFY(WireCoding::decode<HealthcheckPayload>(runtime.get("/healthz").body).ok);

        const auto snapshot = snapshotOf(runtime);
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

        const auto health = healthOf(runtime);
        QCOMPARE(health.status, CompanionHealthStatus::SetupRequired);
        QCOMPARE(health.connection.mode, QStringLiteral("setup_required"));
        QVERIFY(health.connection.localListenerReady);

        const auto pending =
            WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body);
        QCOMPARE(pending.status, PairingStatus::Pending);
        QVERIFY(pending.pairingId && pending.expiresAt);
        // A second begin answers the same pending pairing.
        QCOMPARE(WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body),
                 pending);
        QString code = *pending.code;
        const auto link = WireCoding::decode<PairingLinkPayload>(
            runtime.get("/v1/pairing/link?code=" + QString::fromLatin1(QUrl::toPercentEncoding(code))).body);
        QCOMPARE(link.code, code);
        QVERIFY(link.webUrl.contains(code) && link.appUrl.contains(code));

        // The phone's side, on the local network listener.
        const auto hello = runtime.get("/v1/lan/hello", runtime.lanPort());
        QCOMPARE(QJsonDocument::fromJson(hello.body)["pairing_status"].toString(), QStringLiteral("pending"));
        const auto approve = [&](const QString& approvedCode, const char* owner) {
            return runtime.post(
                "/v1/lan/pairing/approve",
                QStringLiteral(R"({"code":"%1","trust_owner_id":"%2"})").arg(approvedCode, owner).toUtf8(),
                runtime.lanPort());
        };
        // Guessing ends the pairing: the real code no longer works either.
        for (int guess = 0; guess < 10; ++guess) {
            QCOMPARE(snapshotOf(runtime).identity.pairing.status, PairingStatus::Pending);
            const auto wrong = approve("ZZZZ-ZZZZ", "o");
            QCOMPARE(wrong.status, 403);
            QCOMPARE(wrong.body, QByteArray("That pairing code is not valid."));
        }
        QCOMPARE(snapshotOf(runtime).identity.pairing.status, PairingStatus::Unpaired);
        QCOMPARE(approve(code, "o").status, 409);
        QCOMPARE(
            WireCoding::decodeList<DiagnosticEvent>(runtime.get("/v1/diagnostics?limit=1").body).first().code,
            QStringLiteral("pairing_cancelled"));
        code = beginPairing(runtime);
        const auto approved = approve(code.toLower().remove(u'-'), "owner-7"); // as a person types it
        QCOMPARE(approved.status, 200);
        const QString companionId = QJsonDocument::fromJson(approved.body)["companion_id"].toString();
        QVERIFY(!companionId.isEmpty());
        const auto paired = snapshotOf(runtime);
        QCOMPARE(paired.identity.pairing.status, PairingStatus::Paired);
        QCOMPARE(paired.identity.companionId, companionId);
        QCOMPARE(paired.identity.trustOwnerId, QStringLiteral("owner-7"));
        QVERIFY(!paired.identity.pairing.code);
        const auto pairedHealth = healthOf(runtime);
        QCOMPARE(pairedHealth.status, CompanionHealthStatus::Healthy);
        QCOMPARE(pairedHealth.connection.mode, QStringLiteral("local_ready"));
        QVERIFY(pairedHealth.pairing.trustOwnerKnown);
        const auto again = runtime.post("/v1/pairing/begin", "{}");
        QCOMPARE(again.status, 409);
        QCOMPARE(again.body, QByteArray("This computer is already paired; unpair it before pairing again."));

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

        const auto reset = runtime.post("/v1/pairing/reset", R"({"reason":"macos_app_reset"})");
        QCOMPARE(WireCoding::decode<PairingStatePayload>(reset.body).status, PairingStatus::Unpaired);
        QVERIFY(!snapshotOf(runtime).identity.companionId);
        QCOMPARE(approve(code, "o").status, 409);

        const auto page = runtime.get("/");
        QCOMPARE(page.status, 200);
        QVERIFY(page.contentType.startsWith("text/html"));
        QVERIFY(page.body.contains("&lt;Den&gt;") && !page.body.contains("<Den>"));
    }

    // What a confused client, a foreign web page or a rebound DNS name sends.
    void refusesBadRequests_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("sentence"); // empty: an answer that is not an error
        const QByteArray host = "Host: 127.0.0.1:PORT\r\n";
        const QByteArray json = host + "Content-Type: application/json\r\n";
        const auto row = [](const char* name, const char* line, const QByteArray& headers,
                            const QByteArray& body, int status, const char* sentence) {
            QTest::newRow(name) << QByteArray(line) << headers << body << status
                                << QString::fromUtf8(sentence);
        };
        const auto client = [](const char* label, const char* type, const char* host, int port) {
            return RuntimeProcess::clientJson("", label, port, type).replace("127.0.0.1", host);
        };
        const char* save = "POST /v1/clients/save";
        const char* badPort = "Enter a port between 1 and 65535.";
        row("port 0", save, json, client("NAS", "qbittorrent", "nas", 0), 400, badPort);
        row("port 65536", save, json, client("NAS", "deluge", "nas", 65536), 400, badPort);
        row("blank label", save, json, client("  ", "transmission", "nas", 9091), 400,
            "Enter a name for the torrent client.");
        row("blank host", save, json, client("NAS", "transmission", " ", 9091), 400,
            "Enter the host name or IP address of the torrent client.");
        row("URL as host", save, json, client("NAS", "transmission", "http://nas/x", 9091), 400,
            "Enter only the host name or IP address, without http:// or a path.");
        row("unknown type", save, json, client("NAS", "rtorrent", "nas", 5000), 400,
            "Choose qBittorrent, Transmission or Deluge as the client type.");
        row("array", save, json, "[]", 400, "The request body is not a valid JSON object.");
        row("not JSON", "POST /v1/pairing/reset", json, "{oops", 400,
            "The request body is not a valid JSON object.");
        row("missing field", "POST /v1/config/display-name", json, "{}", 400,
            "The request body is missing a field");
        row("blank name", "POST /v1/config/display-name", json, R"({"name":" "})", 400,
            "Enter a name for this computer.");
        row("unknown client", "POST /v1/clients/delete", json, R"({"client_id":"nope"})", 404,
            "No torrent client with this id is configured.");
        row("unknown code", "GET /v1/pairing/link?code=ABCD-EFGH", host, {}, 404,
            "No pending pairing has this code.");
        row("unknown route", "GET /v2/runtime", host, {}, 404, "There is nothing at this address.");
        row("wrong method", "GET /v1/pairing/begin", host, {}, 405,
            "This address does not accept GET requests.");
        row("oversized body", save, json, QByteArray(100 * 1024, ' '), 413, "The request body is too large.");
        row("chunked body", "POST /v1/pairing/begin", json + "Transfer-Encoding: chunked\r\n", {}, 411,
            "Send the request body with a Content-Length header.");
        row("huge head", "GET /", host + "X-Pad: " + QByteArray(40 * 1024, 'a') + "\r\n", {}, 431,
            "The request headers are too large.");

        const char* wrongHost = "Requests must be addressed to the companion on its loopback address.";
        row("rebound DNS name", "GET /v1/runtime", "Host: evil.example:PORT\r\n", {}, 403, wrongHost);
        row("other port", "GET /v1/runtime", "Host: 127.0.0.1:1\r\n", {}, 403, wrongHost);
        row("no host", "GET /v1/runtime", {}, {}, 403, wrongHost);
        row("localhost, any case", "GET /v1/runtime", "Host: LocalHost:PORT\r\n", {}, 200, "");
        row("IPv6 loopback", "GET /v1/runtime", "Host: [::1]:PORT\r\n", {}, 200, "");

        const char* notJson = "Send commands as JSON with the Content-Type application/json.";
        const char* foreign = "Commands from other web pages are not allowed.";
        const QByteArray reset = R"({"reason":"x"})";
        row("plain-text command", "POST /v1/pairing/reset", host + "Content-Type: text/plain\r\n", reset, 403,
            notJson);
        row("no content type", "POST /v1/pairing/reset", host, reset, 403, notJson);
        row("charset given", "POST /v1/pairing/reset",
            host + "Content-Type: application/json; charset=utf-8\r\n", reset, 200, "");
        row("foreign page", "POST /v1/pairing/reset", json + "Origin: https://evil.example\r\n", reset, 403,
            foreign);
        row("own page", "POST /v1/pairing/reset", json + "Origin: http://localhost:PORT\r\n", reset, 200, "");
    }
    void refusesBadRequests() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, headers);
        QFETCH(QByteArray, body);
        QFETCH(QString, sentence);
        const auto answer =
            RuntimeProcess::read(*RuntimeProcess::send(m_shared.adminPort(), line, headers, body));
        QTEST(answer.status, "status");
        if (!sentence.isEmpty()) {
            QVERIFY2(answer.body.startsWith(sentence.toUtf8()), answer.body.constData());
            QVERIFY(answer.contentType.startsWith("text/plain"));
        }
        // The runtime still answers afterwards.
        QCOMPARE(m_shared.get("/healthz").status, 200);
    }

    void keepsWhatItAcknowledgedAcrossRestartAndKill() {
        QTemporaryDir dir;
        const auto save = [](RuntimeProcess& runtime, const char* id, const char* label, int port) {
            return runtime.post("/v1/clients/save", RuntimeProcess::clientJson(id, label, port)).status;
        };
        QString code;
        {
            RuntimeProcess runtime(dir.path());
            QVERIFY(runtime.start());
            QCOMPARE(save(runtime, "first", "First", 1), 200);
            QCOMPARE(save(runtime, "second", "Second", 2), 200);
            QCOMPARE(runtime.post("/v1/config/display-name", R"({"name":"Den"})").status, 200);
            code = beginPairing(runtime);
            QCOMPARE(runtime.terminate(2s), 0);
        }
        {
            RuntimeProcess runtime(dir.path());
            QVERIFY(runtime.start());
            const auto snapshot = snapshotOf(runtime);
            QVERIFY(!snapshot.defaultConfigCreated);
            QCOMPARE(snapshot.identity.displayName, QStringLiteral("Den"));
            QCOMPARE(snapshot.identity.pairing.code, code);
            QCOMPARE(snapshot.clients.size(), 2);
            QCOMPARE(snapshot.clients.at(1).label, QStringLiteral("Second"));
            QCOMPARE(snapshot.clients.at(1).password, QStringLiteral("secret"));
            // The last changes are acknowledged, then the process is killed at once.
            QCOMPARE(save(runtime, "first", "Changed", 4), 200);
            QCOMPARE(save(runtime, "third", "Third", 3), 200);
            QCOMPARE(runtime.post("/v1/pairing/reset", R"({"reason":"x"})").status, 200);
            ::kill(pid_t(runtime.pid()), SIGKILL);
        }
        RuntimeProcess runtime(dir.path());
        QVERIFY(runtime.start());
        const auto snapshot = snapshotOf(runtime);
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Unpaired);
        QStringList clients;
        for (const ClientConfig& client : snapshot.clients) {
            clients.append(client.label + u':' + QString::number(client.port));
        }
        // A changed client keeps its place.
        QCOMPARE(clients, (QStringList{"Changed:4", "Second:2", "Third:3"}));
    }

    void pendingPairingExpires() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path(), {"VENDRILO_CONNECT_PAIRING_TTL_MS=300"});
        QVERIFY(runtime.start());
        const QString code = beginPairing(runtime);
        QTRY_VERIFY_WITH_TIMEOUT(runtime.output().contains("pairing_expired"), 5000);
        const auto snapshot = snapshotOf(runtime);
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
        const quint16 closedPort = RuntimeProcess::freeLoopbackPort();
        for (const auto& [id, port] :
             {std::pair{"slow1", silent.serverPort()}, std::pair{"slow2", silent.serverPort()},
              std::pair{"closed", closedPort}}) {
            QCOMPARE(runtime.post("/v1/clients/save", RuntimeProcess::clientJson(id, id, port)).status, 200);
        }
        QElapsedTimer timer;
        timer.start();
        const auto probe = runtime.post("/v1/clients/probe", "{}");
        QCOMPARE(probe.status, 200);
        QVERIFY2(timer.elapsed() < 1900, qPrintable(QString::number(timer.elapsed()))); // not 2 × 1000 ms
        const auto checked = WireCoding::decodeList<ClientConfig>(probe.body);
        for (const ClientConfig& client : checked) {
            QCOMPARE(client.authState, QStringLiteral("unreachable"));
            QVERIFY2(client.lastError->contains(client.id == u"closed" ? "refused the connection"
                                                                       : "did not answer within 1 second"),
                     qPrintable(*client.lastError));
            QVERIFY(!client.lastOkAt);
        }

        const auto health = healthOf(runtime);
        QCOMPARE(health.clients.degraded, 3);
        QCOMPARE(health.recentErrors.size(), 3);
        QCOMPARE(health.recentErrors.first().code, QStringLiteral("client_check_failed"));

        // Renaming keeps the result; pointing the client elsewhere drops it.
        const ClientConfig closed = checked.value(2);
        QCOMPARE(closed.id, QStringLiteral("closed"));
        const auto renamed = WireCoding::decode<ClientConfig>(
            runtime.post("/v1/clients/save", RuntimeProcess::clientJson("closed", "Renamed", closedPort))
                .body);
        QCOMPARE(renamed.label, QStringLiteral("Renamed"));
        QCOMPARE(renamed.authState, closed.authState);
        QCOMPARE(renamed.lastError, closed.lastError);
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
        const auto probe =
            RuntimeProcess::send(runtime.adminPort(), "POST /v1/clients/probe",
                                 "Host: 127.0.0.1:PORT\r\nContent-Type: application/json\r\n", "{}");
        QTRY_VERIFY(silent.hasPendingConnections()); // the check is under way
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(runtime.terminate(2s), 0);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(RuntimeProcess::read(*probe).status, 200);
    }

private:
    // One runtime for the many small refusals.
    QTemporaryDir m_sharedDir;
    RuntimeProcess m_shared{m_sharedDir.path()};
};

QTEST_GUILESS_MAIN(CompanionRuntimeTest)
#include "tst_companionruntime.moc"
