#include "RuntimeProcess.h"
#include "common/RefusingPort.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

// The codes of the newest diagnostic events, newest first.
QStringList newestEvents(RuntimeProcess& runtime, int limit) {
    QStringList codes;
    for (const DiagnosticEvent& event : WireCoding::decodeList<DiagnosticEvent>(
             runtime.get(QStringLiteral("/v1/diagnostics?limit=%1").arg(limit)).body)) {
        codes.append(event.code);
    }
    return codes;
}

// Runs statements on a stopped runtime's database, as damage or an older build would leave it.
void changeDatabase(const QString& path, const std::function<void(QSqlQuery&)>& change) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test"));
        db.setDatabaseName(path);
        QVERIFY(db.open() && db.transaction());
        QSqlQuery query(db);
        change(query);
        QVERIFY(db.commit());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test"));
}

// What user nobody gets for request from the port, over a socket bash opens as nobody.
QByteArray answerToAnotherUser(quint16 port, const QByteArray& request) {
    QProcess bash;
    bash.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(1);
        }
    });
    bash.start(QStringLiteral("bash"),
               {"-c", "exec 3<>/dev/tcp/127.0.0.1/" + QString::number(port) + "; cat >&3; cat <&3"});
    bash.write(request);
    bash.closeWriteChannel();
    if (!bash.waitForFinished(10000)) {
        bash.kill();
        bash.waitForFinished();
    }
    return bash.readAllStandardOutput();
}

} // namespace

// The built runtime executable, end to end over HTTP on loopback.
class CompanionRuntimeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_shared.start() && m_timed.start()); }

    void refusesToStart_data() {
        QTest::addColumn<QString>("dataDir");    // under the test's folder "data"; "none": no arguments
        QTest::addColumn<QStringList>("damage"); // "file P", "folder P" or "read-only P", P under "data"
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* dataDir, const QStringList& damage, int exitCode,
                            const char* message) {
            QTest::newRow(name) << QString::fromUtf8(dataDir) << damage << exitCode
                                << QString::fromUtf8(message);
        };
        row("no arguments", "none", {}, 2, "usage: vendrilo-connect run -data-dir DIR");
        row("garbage database", "", {"file companion.db"}, 1, "companion.db is damaged");
        row("database is a directory", "", {"folder companion.db"}, 1, "companion.db cannot be opened");
        row("data dir is a file", "sub/data", {"file sub"}, 1, "cannot be created");
        // Said on one line, though the path holds a line break.
        row("line break in the path", "a\nb/data", {"file a\nb"}, 1, "cannot be created");
        row("read-only database", "", {"file companion.db", "read-only companion.db"}, 1,
            "data/companion.db is read-only");
        row("read-only data dir", "", {"read-only ."}, 1, "/data is read-only");
    }
    void refusesToStart() {
        QFETCH(QString, dataDir);
        QFETCH(QStringList, damage);
        QTemporaryDir dir;
        const QString data = dir.filePath("data");
        QVERIFY(QDir().mkpath(data));
        const auto readOnlyMode = QFile::ReadOwner | QFile::ExeOwner;
        QString readOnly;
        for (const QString& step : damage) {
            const QString path = QDir::cleanPath(data + u'/' + step.section(u' ', 1));
            QFile file(path);
            if (step.startsWith(u"file")) {
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'z')) == 4096);
            } else if (step.startsWith(u"folder")) {
                QVERIFY(QDir().mkpath(path));
            } else {
                QVERIFY(QFile::setPermissions(readOnly = path, readOnlyMode));
            }
        }
        const QStringList arguments = RuntimeProcess::runArguments(QDir::cleanPath(data + u'/' + dataDir));
        QByteArray standardError;
        QFETCH(int, exitCode);
        QCOMPARE(RuntimeProcess::runToEnd(dataDir == u"none" ? QStringList() : arguments, &standardError),
                 exitCode);
        QFETCH(QString, message);
        QVERIFY2(standardError.contains(message.toUtf8()), standardError.constData());
        QVERIFY2(exitCode != 1 || standardError.count('\n') == 1, standardError.constData());
        if (!readOnly.isEmpty()) { // reported, not changed
            QCOMPARE(QFile::permissions(readOnly) & 0x7000, readOnlyMode);
            QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    // Every endpoint once, in the order the app and a phone use them.
    void everyAnswerDecodesStrictlyAndPairs() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path());
        QVERIFY2(runtime.start(), runtime.output().constData());
        QVERIFY(WireCoding::decode<HealthcheckPayload>(runtime.get("/healthz").body).ok);
        const auto snapshot = snapshotOf(runtime);
        QCOMPARE(std::tuple(snapshot.state, snapshot.dbPath, snapshot.adminAddress,
                            snapshot.localNetwork.listenPort),
                 std::tuple(QStringLiteral("running"), dir.filePath("companion.db"),
                            QStringLiteral("127.0.0.1:%1").arg(runtime.adminPort()),
                            qint64(runtime.lanPort())));
        QCOMPARE(std::pair(snapshot.identity.displayName, snapshot.identity.agentVersion),
                 std::pair(QStringLiteral("Test Box"), QStringLiteral("9.9.9")));
        const auto health = healthOf(runtime);
        QVERIFY(health.status == CompanionHealthStatus::SetupRequired &&
                health.connection.localListenerReady);

        const auto pending =
            WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body);
        QCOMPARE(pending.status, PairingStatus::Pending);
        QVERIFY(pending.pairingId && pending.expiresAt);
        // A second begin answers the same pending pairing.
        QCOMPARE(WireCoding::decode<PairingStatePayload>(runtime.post("/v1/pairing/begin", "{}").body),
                 pending);
        const QString code = *pending.code;
        const auto link = WireCoding::decode<PairingLinkPayload>(
            runtime.get("/v1/pairing/link?code=" + QString::fromLatin1(QUrl::toPercentEncoding(code))).body);
        QVERIFY(link.code == code && link.webUrl.contains(code) && link.appUrl.contains(code));

        // The phone's side, on the local network listener.
        const auto hello = runtime.get("/v1/lan/hello", runtime.lanPort());
        QCOMPARE(QJsonDocument::fromJson(hello.body)["pairing_status"].toString(), QStringLiteral("pending"));
        const auto approve = [&](const QString& approvedCode, const char* owner, const char* from = "") {
            return RuntimeProcess::exchange(
                runtime.lanPort(), "POST /v1/lan/pairing/approve",
                "Host: 127.0.0.1:PORT\r\nContent-Type: application/json\r\n",
                QStringLiteral(R"({"code":"%1","trust_owner_id":"%2"})").arg(approvedCode, owner).toUtf8(),
                QString::fromLatin1(from));
        };
        // Guesses count per address: one device that guesses too often is shut
        // out, and cannot cancel the pairing for everyone.
        for (int guess = 0; guess < 10; ++guess) {
            const auto wrong = approve("ZZZZ-ZZZZ", "o");
            QCOMPARE(std::pair(wrong.status, wrong.body),
                     std::pair(403, QByteArray("That pairing code is not valid.")));
        }
        const auto shutOut = approve(code, "o");
        QCOMPARE(std::pair(shutOut.status, shutOut.body),
                 std::pair(429, QByteArray("Too many wrong pairing codes came from this device.")));
        QCOMPARE(snapshotOf(runtime).identity.pairing.status, PairingStatus::Pending);
        QCOMPARE(newestEvents(runtime, 1), QStringList{"pairing_code_rejected"});
        const auto approved =
            approve(code.toLower().remove(u'-'), "owner-7", "127.0.0.2"); // as a person types it
        QCOMPARE(approved.status, 200);
        const auto paired = snapshotOf(runtime);
        QCOMPARE(paired.identity.pairing.status, PairingStatus::Paired);
        QCOMPARE(paired.identity.companionId,
                 QJsonDocument::fromJson(approved.body)["companion_id"].toString());
        QCOMPARE(paired.identity.trustOwnerId, QStringLiteral("owner-7"));
        QVERIFY(!paired.identity.pairing.code);
        const auto pairedHealth = healthOf(runtime);
        QCOMPARE(pairedHealth.status, CompanionHealthStatus::Healthy);
        QVERIFY(pairedHealth.pairing.trustOwnerKnown);
        // Refused, and changes nothing: not even the name it brings.
        const auto again = runtime.post("/v1/pairing/begin", R"({"display_name":"Renamed"})");
        QCOMPARE(
            std::pair(again.status, again.body),
            std::pair(409, QByteArray("This computer is already paired; unpair it before pairing again.")));
        QCOMPARE(snapshotOf(runtime).identity.displayName, QStringLiteral("Test Box"));

        const auto saved = WireCoding::decode<ClientConfig>(runtime.save("", "NAS", 1).body);
        QVERIFY(!saved.id.isEmpty());
        QCOMPARE(saved.authState, QStringLiteral("unknown"));
        QVERIFY(
            WireCoding::decode<OKPayload>(runtime.post("/v1/config/display-name", R"({"name":"<Den>"})").body)
                .ok);
        QCOMPARE(WireCoding::decodeList<ClientConfig>(runtime.post("/v1/clients/probe", "{}").body).size(),
                 1);
        QCOMPARE(newestEvents(runtime, 2), (QStringList{"client_check_failed", "display_name_changed"}));
        const auto deleted = WireCoding::decode<DeletedPayload>(
            runtime.post("/v1/clients/delete", QStringLiteral(R"({"client_id":"%1"})").arg(saved.id).toUtf8())
                .body);
        QCOMPARE(deleted.deleted, saved.id);

        const auto reset = runtime.post("/v1/pairing/reset", R"({"reason":"macos_app_reset"})");
        QCOMPARE(WireCoding::decode<PairingStatePayload>(reset.body).status, PairingStatus::Unpaired);
        QVERIFY(!snapshotOf(runtime).identity.companionId);
        QCOMPARE(approve(code, "o").status, 409);

        const auto page = runtime.get("/");
        QVERIFY(page.status == 200 && page.contentType.startsWith("text/html"));
        QVERIFY(page.body.contains("&lt;Den&gt;") && !page.body.contains("<Den>"));
    }

    // What a confused client, a foreign web page or a rebound DNS name sends.
    void refusesBadRequests_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("sentence"); // empty: an answer that is not an error
        QTest::addColumn<bool>("lan");         // sent to the local-network listener
        const QByteArray host = "Host: 127.0.0.1:PORT\r\n";
        const QByteArray json = host + "Content-Type: application/json\r\n";
        const auto row = [](const char* name, const char* line, const QByteArray& headers,
                            const QByteArray& body, int status, const char* sentence, bool lan = false) {
            QTest::newRow(name) << QByteArray(line) << headers << body << status
                                << QString::fromUtf8(sentence) << lan;
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
        row("host with port", save, json, client("NAS", "deluge", "nas:8112", 8112), 400,
            "Enter the host without a port: the port has a field of its own.");
        row("host too long", save, json, client("NAS", "deluge", QByteArray(254, 'a').constData(), 1), 400,
            "Enter a host name of at most 253 characters.");
        row("host not a name", save, json, client("NAS", "deluge", "nas..lan", 1), 400,
            "Enter a valid host name or IP address.");
        row("IPv6 host", save, json, client("NAS", "deluge", "fd00::2", 1), 200, "");
        const char* broken = "The request body holds text that is not valid Unicode";
        row("lone surrogate name", "POST /v1/config/display-name", json, R"({"name":"A\ud800x"})", 400,
            broken);
        row("NUL in label", save, json, client("N\\u0000S", "deluge", "nas", 1), 400, broken);
        row("control in label", save, json, client("N\\u0007S", "deluge", "nas", 1), 400,
            "Use a client name without line breaks or control characters.");
        row("line break in user", save, json, client("NAS", "deluge", "nas", 1).replace("admin", "a\\nb"),
            400, "Use a user name without line breaks or control characters.");
        row("unknown type", save, json, client("NAS", "rtorrent", "nas", 5000), 400,
            "Choose qBittorrent, Transmission or Deluge as the client type.");
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
        row("garbage request line", "HELLO", host, {}, 400, "The request line is not valid HTTP.");
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

        // The local-network listener: a phone dials an address of this machine and is no web page.
        const char* notOwnAddress = "Requests must be addressed to an IP address of this computer.";
        row("LAN: hello", "GET /v1/lan/hello", host, {}, 200, "", true);
        row("LAN: rebound DNS name", "GET /v1/lan/hello", "Host: evil.example:PORT\r\n", {}, 403,
            notOwnAddress, true);
        row("LAN: foreign address", "GET /v1/lan/hello", "Host: 203.0.113.9:PORT\r\n", {}, 403, notOwnAddress,
            true);
        row("LAN: web page", "POST /v1/lan/pairing/approve", json + "Origin: http://evil.example\r\n",
            R"({"code":"x","trust_owner_id":"o"})", 403,
            "Requests from web pages are not accepted on the local network.", true);
    }
    void refusesBadRequests() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, headers);
        QFETCH(QByteArray, body);
        QFETCH(QString, sentence);
        QFETCH(bool, lan);
        const auto answer =
            RuntimeProcess::exchange(lan ? m_shared.lanPort() : m_shared.adminPort(), line, headers, body);
        QTEST(answer.status, "status");
        if (!sentence.isEmpty()) {
            QVERIFY2(answer.body.startsWith(sentence.toUtf8()), answer.body.constData());
            QVERIFY(answer.contentType.startsWith("text/plain"));
        }
        // The runtime still answers afterwards.
        QCOMPARE(m_shared.get("/healthz").status, 200);
    }

    // One data folder through its life: found empty, damaged between runs, killed right after
    // acknowledging, filled beyond the bound by an older build, then deleted while in use.
    void keepsItsStorageSoundAcrossRestarts() {
        QTemporaryDir dir;
        const QString data = dir.filePath("data");
        QFile empty(data + "/companion.db");
        QVERIFY(QDir().mkpath(data) && empty.open(QIODevice::WriteOnly));
        empty.close();
        QString code;
        {
            RuntimeProcess runtime(data);
            QVERIFY(runtime.start());
            QVERIFY(runtime.output().contains("warn database_was_empty: The database file"));
            QVERIFY(snapshotOf(runtime).defaultConfigCreated);
            QCOMPARE(runtime.save("first", "First", 1).status, 200);
            QCOMPARE(runtime.save("second", "Second", 2).status, 200);
            for (const QByteArray body : {R"({"name":"Loft"})", R"({"name":"Den"})"}) {
                QCOMPARE(runtime.post("/v1/config/display-name", body).status, 200);
            }
            code = beginPairing(runtime);
            QCOMPARE(runtime.terminate(2s), 0);
        }
        changeDatabase(data + "/companion.db", [](QSqlQuery& query) {
            QVERIFY(query.exec("UPDATE diagnostics SET level = 'error', event = '{' WHERE seq = 1"));
        });
        {
            RuntimeProcess runtime(data);
            QVERIFY(runtime.start());
            const auto snapshot = snapshotOf(runtime);
            QVERIFY(!snapshot.defaultConfigCreated);
            QCOMPARE(snapshot.identity.displayName, QStringLiteral("Den"));
            QCOMPARE(snapshot.identity.pairing.code, code);
            QCOMPARE(snapshot.clients.size(), 2);
            QCOMPARE(snapshot.clients.at(1).label, QStringLiteral("Second"));
            QCOMPARE(snapshot.clients.at(1).password, QStringLiteral("secret"));
            QCOMPARE(healthOf(runtime).recentErrors.size(), 0); // the one error is the damaged one
            const auto events = WireCoding::decodeList<DiagnosticEvent>(runtime.get("/v1/diagnostics").body);
            QVERIFY(!events.isEmpty() && events.last().id != u"1");
            QTRY_COMPARE(runtime.output().count("diagnostic_event_damaged"), 1); // said once
            // The last changes are acknowledged, then the process is killed at once.
            QCOMPARE(runtime.save("first", "Changed", 4).status, 200);
            QCOMPARE(runtime.save("third", "Third", 3).status, 200);
            QCOMPARE(runtime.post("/v1/pairing/reset", R"({"reason":"x"})").status, 200);
            ::kill(pid_t(runtime.pid()), SIGKILL);
        }
        {
            RuntimeProcess runtime(data);
            QVERIFY(runtime.start());
            const auto snapshot = snapshotOf(runtime);
            QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Unpaired);
            QStringList clients;
            for (const ClientConfig& client : snapshot.clients) {
                clients.append(client.label + u':' + QString::number(client.port));
            }
            QCOMPARE(clients,
                     (QStringList{"Changed:4", "Second:2", "Third:3"})); // a changed one keeps its place
            QCOMPARE(runtime.terminate(2s), 0);
        }
        // 3,000 more clients, as a runtime without the bound could store them.
        changeDatabase(data + "/companion.db", [](QSqlQuery& insert) {
            insert.prepare("INSERT INTO clients (id, position, config) VALUES (?, ?, ?)");
            for (int i = 0; i < 3000; ++i) {
                ClientConfig client;
                client.id = QStringLiteral("c%1").arg(i);
                client.label = client.host = QStringLiteral("nas%1").arg(i);
                client.port = 9091;
                client.type = ClientType::Transmission;
                insert.addBindValue(client.id);
                insert.addBindValue(3 + i);
                insert.addBindValue(WireCoding::encode(client));
                QVERIFY(insert.exec());
            }
        });
        RuntimeProcess runtime(data);
        QVERIFY(runtime.start());
        QCOMPARE(snapshotOf(runtime).clients.size(), 3003);
        const auto refused = runtime.save("", "More", 1);
        QCOMPARE(
            std::pair(refused.status, refused.body),
            std::pair(409, QByteArray("The companion already has 256 torrent clients, the most it keeps; "
                                      "remove one before adding another.")));
        QCOMPARE(runtime.save("c7", "Renamed", 1).status, 200);
        QVERIFY(QDir(data).removeRecursively());
        for (const auto& [path, body] :
             {std::pair{"/v1/clients/save", RuntimeProcess::clientJson("c7", "B", 2)},
              std::pair{"/v1/config/display-name", QByteArray(R"({"name":"X"})")}}) {
            const auto lost = runtime.post(path, body);
            QCOMPARE(std::pair(lost.status, lost.body),
                     std::pair(500, QByteArray("The companion’s data folder was deleted or replaced while it "
                                               "ran, so nothing was saved; restart the companion.")));
        }
    }

    void pendingPairingExpires() {
        const QString code = beginPairing(m_timed);
        QTRY_VERIFY_WITH_TIMEOUT(m_timed.output().contains("pairing_expired"), 5000);
        QCOMPARE(snapshotOf(m_timed).identity.pairing.status, PairingStatus::Unpaired);
        QCOMPARE(m_timed.get("/v1/pairing/link?code=" + code).status, 404);
        QCOMPARE(newestEvents(m_timed, 1), QStringList{"pairing_expired"});
    }

    void checksClientsConcurrentlyAndStopsOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP); // a closed terminal
    }
    void checksClientsConcurrentlyAndStopsOnSignal() {
        // Two clients that accept and never answer, one with nothing listening.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const RefusingPort closed;
        QTemporaryDir dir;
        // A long grace: the check under way at the signal ends when this test lets it, however busy
        // the machine.
        RuntimeProcess runtime(dir.path(), {"VENDRILO_CONNECT_CLIENT_CHECK_TIMEOUT_MS=3000",
                                            "VENDRILO_CONNECT_SHUTDOWN_GRACE_MS=20000",
                                            "VENDRILO_CONNECT_LOG_LEVEL=debug"});
        QVERIFY(runtime.start());
        for (const auto& [id, port] :
             {std::pair{"slow1", silent.serverPort()}, std::pair{"slow2", silent.serverPort()},
              std::pair{"closed", closed.port()}}) {
            QCOMPARE(runtime.save(id, id, port).status, 200);
        }
        const QByteArray json = "Host: 127.0.0.1:PORT\r\nContent-Type: application/json\r\n";
        const auto request = RuntimeProcess::send(runtime.adminPort(), "POST /v1/clients/probe", json, "{}");
        // Checked one after the other, the first would have hung up before the second came.
        std::vector<QTcpSocket*> accepted;
        const auto open = [&] {
            while (silent.hasPendingConnections()) {
                accepted.push_back(silent.nextPendingConnection());
            }
            return std::count_if(accepted.begin(), accepted.end(), [](QTcpSocket* socket) {
                return socket->state() == QAbstractSocket::ConnectedState;
            });
        };
        QTRY_COMPARE(open(), 2);
        const auto probe = RuntimeProcess::read(*request);
        QCOMPARE(probe.status, 200);
        const auto checked = WireCoding::decodeList<ClientConfig>(probe.body);
        for (const ClientConfig& client : checked) {
            QCOMPARE(client.authState, QStringLiteral("unreachable"));
            QVERIFY2(client.lastError->contains(client.id == u"closed" ? "refused the connection"
                                                                       : "did not answer within 3 seconds"),
                     qPrintable(*client.lastError));
            QVERIFY(!client.lastOkAt);
        }

        const auto health = healthOf(runtime);
        QCOMPARE(health.clients.degraded, 3);
        QCOMPARE(health.recentErrors.size(), 3);
        QCOMPARE(health.recentErrors.first().code, QStringLiteral("client_check_failed"));

        // Renaming keeps the result; pointing the client elsewhere drops it.
        const ClientConfig before = checked.value(2);
        QCOMPARE(before.id, QStringLiteral("closed"));
        const auto renamed =
            WireCoding::decode<ClientConfig>(runtime.save("closed", "Renamed", closed.port()).body);
        QCOMPARE(std::tuple(renamed.label, renamed.authState, renamed.lastError),
                 std::tuple(QStringLiteral("Renamed"), before.authState, before.lastError));
        const auto moved = WireCoding::decode<ClientConfig>(runtime.save("closed", "Renamed", 1).body);
        QCOMPARE(moved.authState, QStringLiteral("unknown"));
        QVERIFY(!moved.lastError);

        // A signal while a check is under way: it is finished and answered, nothing new is started.
        QFETCH(int, signal);
        qDeleteAll(accepted);
        accepted.clear();
        const auto finished = RuntimeProcess::send(runtime.adminPort(), "POST /v1/clients/probe", json,
                                                   R"({"client_id":"slow1"})");
        const auto keptAlive = RuntimeProcess::send(runtime.adminPort(), "GET /healthz", json);
        QCOMPARE(RuntimeProcess::read(*keptAlive).status, 200);
        QTRY_COMPARE(open(), 1);
        ::kill(pid_t(runtime.pid()), signal);
        QTRY_VERIFY(runtime.output().contains("runtime_stopping"));
        // The client answers now, within the runtime's grace for work under way.
        accepted.front()->write("HTTP/1.1 500 Busy\r\nContent-Length: 0\r\n\r\n");
        accepted.front()->flush();
        // A request on an open connection is refused or finds it closed.
        keptAlive->write("GET /v1/runtime HTTP/1.1\r\nHost: 127.0.0.1:" +
                         QByteArray::number(runtime.adminPort()) + "\r\n\r\n");
        QVERIFY(QList<int>({0, 503}).contains(RuntimeProcess::read(*keptAlive).status));
        QCOMPARE(runtime.terminate(10s, signal), 0);
        QCOMPARE(RuntimeProcess::read(*finished).status, 200);
        // Nothing is said after it stopped (standard output and error come mixed: the times tell).
        const QList<QByteArray> lines = runtime.output().trimmed().split('\n');
        const auto stopped = std::find_if(lines.begin(), lines.end(), [](const QByteArray& line) {
            return line.contains(" runtime_stopped: ");
        });
        QVERIFY(stopped != lines.end());
        for (const QByteArray& line : lines) {
            QVERIFY2(line.left(24) <= stopped->left(24), line.constData());
        }
    }

    // Raw connections: what closes them. Rows that close on their own are sent to
    // the runtime with the usual timeouts (10 s, 30 s), the others to the one
    // with short ones (head 300 ms, idle 700 ms), where they must not close earlier.
    void closesConnectionsWhenItShould_data() {
        QTest::addColumn<QByteArray>("sent"); // PORT stands for the port
        QTest::addColumn<int>("status");      // 0: no answer
        QTest::addColumn<int>("timeout");     // ms the connection stays open at least; 0: no timeout runs
        const QByteArray host = "Host: 127.0.0.1:PORT\r\n";
        QTest::newRow("Connection: close") << "GET /healthz HTTP/1.1\r\n" + host + "Connection: close\r\n\r\n"
                                           << 200 << 0;
        QTest::newRow("HTTP/1.0") << "GET /healthz HTTP/1.0\r\n" + host + "\r\n" << 200 << 0;
        QTest::newRow("close after a 400")
            << "POST /v1/pairing/reset HTTP/1.1\r\n" + host +
                   "Content-Type: application/json\r\nContent-Length: 5\r\nConnection: close\r\n\r\n{oops"
            << 400 << 0;
        QTest::newRow("garbage request line") << QByteArray("HELLO THERE\r\n\r\n") << 400 << 0;
        QTest::newRow("slow head") << "GET /healthz HTTP/1.1\r\n" + host.left(8) << 408 << 250;
        QTest::newRow("nothing said") << QByteArray() << 0 << 250;
        QTest::newRow("idle after an answer") << "GET /healthz HTTP/1.1\r\n" + host + "\r\n" << 200 << 600;
    }
    void closesConnectionsWhenItShould() {
        QFETCH(QByteArray, sent);
        QFETCH(int, status);
        QFETCH(int, timeout);
        const quint16 port = timeout ? m_timed.adminPort() : m_shared.adminPort();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(socket.waitForConnected(2000));
        QElapsedTimer timer;
        timer.start();
        socket.write(sent.replace("PORT", QByteArray::number(port)));
        if (status != 0) {
            QCOMPARE(RuntimeProcess::read(socket).status, status);
        }
        QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000));
        QVERIFY2(timer.elapsed() >= timeout, qPrintable(QString::number(timer.elapsed())));
    }

    // A flood of connections to the local-network port, with a soft descriptor
    // limit below the hard one as a desktop session has.
    void lanFloodLeavesTheAdminApiAnswering() {
        QTemporaryDir dir;
        RuntimeProcess runtime(dir.path(), {}, [] {
            const rlimit limit{128, 256};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        QVERIFY(runtime.start());
        QFile limits(QStringLiteral("/proc/%1/limits").arg(runtime.pid()));
        QVERIFY(limits.open(QIODevice::ReadOnly));
        QVERIFY(
            QString::fromLatin1(limits.readAll()).contains(QRegularExpression("Max open files +256 +256")));

        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        const auto connectFrom = [&](const QString& from, int count) {
            for (int i = 0; i < count; ++i) {
                sockets.push_back(std::make_unique<QTcpSocket>());
                sockets.back()->bind(QHostAddress(from));
                sockets.back()->connectToHost(QHostAddress::LocalHost, runtime.lanPort());
            }
        };
        const auto count = [&](bool refused) {
            return std::count_if(sockets.begin(), sockets.end(), [&](const auto& socket) {
                const bool held =
                    socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0;
                return refused ? !held && socket->peek(12) == "HTTP/1.1 503" : held;
            });
        };
        connectFrom("127.0.1.1", 9); // one address: 8 at most
        QTRY_COMPARE(count(true), 1);
        QCOMPARE(count(false), 8);
        for (int i = 0; i < 60; ++i) {
            connectFrom(QStringLiteral("127.0.2.%1").arg(i + 1), 5); // the listener: 32 at most
        }
        QTRY_COMPARE(count(false), 32);
        QTRY_COMPARE(count(true), 309 - 32);
        QCOMPARE(runtime.get("/healthz").status, 200);
        sockets.clear();
        QTRY_COMPARE(runtime.get("/v1/lan/hello", runtime.lanPort()).status, 200);
    }

    // Only the user that runs the runtime may use it, on either port.
    void refusesOtherUsersOfThisComputer() {
        if (::getuid() != 0) {
            QSKIP("Needs root, to connect as another user (nobody).");
        }
        for (const auto& [port, path] : {std::pair{m_shared.adminPort(), "/v1/runtime"},
                                         std::pair{m_shared.lanPort(), "/v1/lan/hello"}}) {
            const QByteArray answer = answerToAnotherUser(
                port, "GET " + QByteArray(path) + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                          "\r\nConnection: close\r\n\r\n");
            QVERIFY2(answer.startsWith("HTTP/1.1 403") &&
                         answer.endsWith("Only the user who runs the companion may use it; this connection "
                                         "comes from another user of this computer."),
                     answer.constData());
        }
        QCOMPARE(m_shared.get("/v1/runtime").status, 200);
    }

    // The app hands the runtime a log file; a pipe whose reader stalls must not stop it.
    void keepsAnsweringWhileItsLogReaderStalls() {
        int pipe[2];
        QVERIFY(::pipe2(pipe, O_CLOEXEC) == 0 && ::fcntl(pipe[0], F_SETFL, O_NONBLOCK) == 0);
        QTemporaryDir dir;
        QProcess process;
        process.setProcessEnvironment(RuntimeProcess::environment({"VENDRILO_CONNECT_LOG_LEVEL=debug"}));
        process.setChildProcessModifier([out = pipe[1]] { ::dup2(out, STDOUT_FILENO); });
        process.start(QStringLiteral(COMPANION_EXECUTABLE), RuntimeProcess::runArguments(dir.path()));
        ::close(pipe[1]);
        QByteArray log;
        const auto drain = [&] {
            char buffer[65536];
            for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof(buffer))) > 0;) {
                log.append(buffer, n);
            }
            return log;
        };
        static const QRegularExpression started(QStringLiteral(R"(admin_address=127\.0\.0\.1:(\d+))"));
        QTRY_VERIFY(started.match(QString::fromUtf8(drain())).hasMatch());
        const quint16 port = quint16(started.match(QString::fromUtf8(log)).captured(1).toUInt());
        for (int i = 0; i < 3000; ++i) { // well past what the pipe and the runtime's buffer hold
            QVERIFY2(RuntimeProcess::exchange(port, "GET /healthz").status == 200,
                     qPrintable(QString::number(i)));
        }
        // The reader is back: the lines it missed are counted.
        for (int round = 0; round < 20 && !drain().contains("log_lines_dropped"); ++round) {
            RuntimeProcess::exchange(port, "GET /healthz");
        }
        ::close(pipe[0]);
        QVERIFY2(QRegularExpression("warn log_lines_dropped: .* count=\\d+")
                     .match(QString::fromUtf8(log))
                     .hasMatch(),
                 QByteArray(log.right(300) + process.readAllStandardError()).constData());
        process.kill();
        process.waitForFinished();
    }

private:
    // One runtime for the many small refusals, one with short timeouts.
    QTemporaryDir m_sharedDir;
    RuntimeProcess m_shared{m_sharedDir.path()};
    QTemporaryDir m_timedDir;
    RuntimeProcess m_timed{m_timedDir.path(),
                           {"VENDRILO_CONNECT_HEADER_TIMEOUT_MS=300", "VENDRILO_CONNECT_IDLE_TIMEOUT_MS=700",
                            "VENDRILO_CONNECT_PAIRING_TTL_MS=300"}};
};

QTEST_GUILESS_MAIN(CompanionRuntimeTest)
#include "tst_companionruntime.moc"
