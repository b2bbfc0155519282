#include "companion/ClientRules.h"
#include "companion/ClientStore.h"
#include "companion/CommandLineOptions.h"
#include "companion/Database.h"
#include "companion/DiagnosticsStore.h"
#include "companion/EventRecorder.h"
#include "companion/HttpError.h"
#include "companion/LogWriter.h"
#include "companion/PairingMachine.h"
#include "companion/PairingStore.h"
#include "companion/RequestSafety.h"
#include "companion/StateReporter.h"
#include "companion/StorageError.h"
#include "companion/UsageError.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The runtime's rules and storage, in process: command line, request safety,
// client validation, health rules, pairing and the database.
class CompanionPartsTest : public QObject {
    Q_OBJECT

private:
    static QString errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const UserFacingError& error) {
            return error.description();
        }
        return {};
    }

private Q_SLOTS:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        const QStringList base{"-data-dir",  "/tmp/x", "-platform",      "linux",
                               "-host-name", "Box",    "-agent-version", "1.2.3"};
        QTest::newRow("as the app writes it") << (QStringList{"run"} << base << "-admin-listen"
                                                                     << "127.0.0.1:46901")
                                              << ""
                                              << "127.0.0.1" << 46901;
        QTest::newRow("pairs in another order")
            << QStringList{"run", "-admin-listen", "localhost:5", "-agent-version", "1", "-host-name",
                           "B",   "-platform",     "linux",       "-data-dir",      "/d"}
            << ""
            << "localhost" << 5;
        QTest::newRow("IPv6 loopback") << (QStringList{"run"} << base << "-admin-listen"
                                                              << "[::1]:7")
                                       << ""
                                       << "::1" << 7;
        QTest::newRow("no command") << base << "The first argument must be the command run."
                                    << "" << 0;
        QTest::newRow("missing flag") << (QStringList{"run"} << base) << "-admin-listen is missing."
                                      << "" << 0;
        QTest::newRow("unknown flag") << (QStringList{"run"} << base << "-admin-listen"
                                                             << "127.0.0.1:1"
                                                             << "-x"
                                                             << "y")
                                      << "Unknown argument -x."
                                      << "" << 0;
        QTest::newRow("flag twice") << (QStringList{"run"} << base << "-platform"
                                                           << "macos"
                                                           << "-admin-listen"
                                                           << "127.0.0.1:1")
                                    << "-platform is given more than once."
                                    << "" << 0;
        QTest::newRow("flag without value")
            << (QStringList{"run"} << base << "-admin-listen") << "-admin-listen needs a value."
            << "" << 0;
        QTest::newRow("port out of range") << (QStringList{"run"} << base << "-admin-listen"
                                                                  << "127.0.0.1:70000")
                                           << "-admin-listen needs HOST:PORT, for example 127.0.0.1:46901."
                                           << "" << 0;
        QTest::newRow("all interfaces")
            << (QStringList{"run"} << base << "-admin-listen"
                                   << "0.0.0.0:46901")
            << "The admin API only listens on a loopback address such as 127.0.0.1, "
               "and 0.0.0.0 is not one."
            << "" << 0;
        QTest::newRow("LAN address")
            << (QStringList{"run"} << base << "-admin-listen"
                                   << "192.168.1.5:46901")
            << "The admin API only listens on a loopback address such as 127.0.0.1, and "
               "192.168.1.5 is not one."
            << "" << 0;
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        CommandLineOptions options;
        QCOMPARE(errorOf([&] { options = CommandLineOptions::parse(arguments); }), error);
        if (error.isEmpty()) {
            QFETCH(QString, host);
            QFETCH(int, port);
            QCOMPARE(options.adminHost, host);
            QCOMPARE(int(options.adminPort), port);
            QVERIFY(options.adminBindAddress().isLoopback());
        }
    }

    void adminRequestSafety_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("origin"); // empty: no Origin header
        QTest::addColumn<bool>("allowed");
        QTest::newRow("app GET") << QByteArray("GET") << QByteArray("127.0.0.1:46901") << QByteArray()
                                 << QByteArray() << true;
        QTest::newRow("localhost, any case")
            << QByteArray("GET") << QByteArray("LocalHost:46901") << QByteArray() << QByteArray() << true;
        QTest::newRow("IPv6 loopback")
            << QByteArray("GET") << QByteArray("[::1]:46901") << QByteArray() << QByteArray() << true;
        QTest::newRow("rebound DNS name")
            << QByteArray("GET") << QByteArray("evil.example:46901") << QByteArray() << QByteArray() << false;
        QTest::newRow("other port") << QByteArray("GET") << QByteArray("127.0.0.1:8080") << QByteArray()
                                    << QByteArray() << false;
        QTest::newRow("no port") << QByteArray("GET") << QByteArray("127.0.0.1") << QByteArray()
                                 << QByteArray() << false;
        QTest::newRow("no host") << QByteArray("GET") << QByteArray() << QByteArray() << QByteArray()
                                 << false;
        QTest::newRow("JSON command")
            << QByteArray("POST") << QByteArray("127.0.0.1:46901")
            << QByteArray("application/json; charset=utf-8") << QByteArray() << true;
        QTest::newRow("form post") << QByteArray("POST") << QByteArray("127.0.0.1:46901")
                                   << QByteArray("text/plain") << QByteArray() << false;
        QTest::newRow("no content type")
            << QByteArray("POST") << QByteArray("127.0.0.1:46901") << QByteArray() << QByteArray() << false;
        QTest::newRow("own page") << QByteArray("POST") << QByteArray("127.0.0.1:46901")
                                  << QByteArray("application/json") << QByteArray("http://localhost:46901")
                                  << true;
        QTest::newRow("foreign page")
            << QByteArray("POST") << QByteArray("127.0.0.1:46901") << QByteArray("application/json")
            << QByteArray("https://evil.example") << false;
        QTest::newRow("sandboxed page") << QByteArray("POST") << QByteArray("127.0.0.1:46901")
                                        << QByteArray("application/json") << QByteArray("null") << false;
    }
    void adminRequestSafety() {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, origin);
        QFETCH(bool, allowed);
        IncomingRequest request;
        request.method = method;
        request.path = QStringLiteral("/v1/runtime");
        if (!host.isEmpty()) {
            request.headers.append({"host", host});
        }
        if (!contentType.isEmpty()) {
            request.headers.append({"content-type", contentType});
        }
        if (!origin.isEmpty()) {
            request.headers.append({"origin", origin});
        }
        const auto origins = RequestSafety::defaultAllowedOrigins(u"127.0.0.1", 46901);
        int status = 0;
        try {
            RequestSafety::checkAdminRequest(request, u"127.0.0.1", 46901, origins);
        } catch (const HttpError& error) {
            status = error.status();
        }
        QCOMPARE(status, allowed ? 0 : 403);
    }

    void clientSaveRules_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const auto client = [](const char* label, const char* type, const char* host, int port) {
            return QStringLiteral(
                       R"({"id":"","label":"%1","type":"%2","host_kind":"local","host":"%3","port":%4,)"
                       R"("use_tls":false,"insecure_skip_verify":false})")
                .arg(QString::fromUtf8(label), QString::fromUtf8(type), QString::fromUtf8(host))
                .arg(port)
                .toUtf8();
        };
        QTest::newRow("fine") << client("NAS", "qbittorrent", "192.168.1.9", 8080) << "";
        QTest::newRow("port 0") << client("NAS", "qbittorrent", "nas", 0)
                                << "Enter a port between 1 and 65535.";
        QTest::newRow("port 65536") << client("NAS", "deluge", "nas", 65536)
                                    << "Enter a port between 1 and 65535.";
        QTest::newRow("blank label") << client("  ", "transmission", "nas", 9091)
                                     << "Enter a name for the torrent client.";
        QTest::newRow("blank host") << client("NAS", "transmission", " ", 9091)
                                    << "Enter the host name or IP address of the torrent client.";
        QTest::newRow("URL as host") << client("NAS", "transmission", "http://nas/x", 9091)
                                     << "Enter only the host name or IP address, without http:// or a path.";
        QTest::newRow("unknown type") << client("NAS", "rtorrent", "nas", 5000)
                                      << "Choose qBittorrent, Transmission or Deluge as the client type.";
        QTest::newRow("not JSON") << QByteArray("{label:") << "The request body is not a valid JSON object.";
        QTest::newRow("array") << QByteArray("[]") << "The request body is not a valid JSON object.";
    }
    void clientSaveRules() {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        QCOMPARE(errorOf([&] { ClientRules::fromSaveBody(body); }), error);
    }

    void clientSaveTidiesAndResetsResults() {
        const ClientConfig client = ClientRules::fromSaveBody(
            R"({"id":"a1","label":"  NAS ","type":"deluge","host_kind":"local","host":" 192.168.1.9 ","port":8112,)"
            R"("username":"","use_tls":true,"insecure_skip_verify":false,"auth_state":"ok",)"
            R"("capabilities":{"x":1},"last_error":"old"})");
        QCOMPARE(client.label, QStringLiteral("NAS"));
        QCOMPARE(client.host, QStringLiteral("192.168.1.9"));
        QCOMPARE(client.hostKind, HostKind::Lan); // follows the host, not the stale kind
        QVERIFY(!client.username);
        QCOMPARE(client.authState, QStringLiteral("unknown"));
        QVERIFY(client.capabilities.isEmpty() && !client.lastError);

        ClientConfig relabelled = client;
        relabelled.label = QStringLiteral("Other");
        QVERIFY(ClientRules::sameConnection(client, relabelled));
        relabelled.port = 1;
        QVERIFY(!ClientRules::sameConnection(client, relabelled));
    }

    void healthRules_data() {
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<bool>("listener");
        QTest::addColumn<QStringList>("authStates");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<CompanionHealthStatus>("status");
        QTest::newRow("unpaired") << PairingStatus::Unpaired << true << QStringList{"ok"} << "setup_required"
                                  << CompanionHealthStatus::SetupRequired;
        QTest::newRow("pending") << PairingStatus::Pending << true << QStringList{} << "setup_required"
                                 << CompanionHealthStatus::SetupRequired;
        QTest::newRow("paired, all fine") << PairingStatus::Paired << true << QStringList{"ok", "unknown"}
                                          << "local_ready" << CompanionHealthStatus::Healthy;
        QTest::newRow("paired, client failing")
            << PairingStatus::Paired << true << QStringList{"ok", "auth_failed"} << "local_ready"
            << CompanionHealthStatus::Degraded;
        QTest::newRow("paired, no listener") << PairingStatus::Paired << false << QStringList{} << "offline"
                                             << CompanionHealthStatus::Degraded;
    }
    void healthRules() {
        QFETCH(PairingStatus, pairing);
        QFETCH(bool, listener);
        QFETCH(QStringList, authStates);
        QList<ClientConfig> clients;
        for (const QString& state : authStates) {
            ClientConfig client;
            client.id = client.label = state;
            client.authState = state;
            clients.append(client);
        }
        const ClientHealthRollup rollup = StateReporter::rollup(clients);
        QCOMPARE(rollup.total, authStates.size());
        QCOMPARE(rollup.healthy + rollup.degraded + rollup.unknown, rollup.total);
        QTEST(StateReporter::connectionMode(pairing, listener), "mode");
        QTEST(StateReporter::healthStatus(pairing, listener, rollup), "status");
    }

    void logLinesQuoteWhatNeedsIt() {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        const AnyCodableMap details{{"name", AnyCodable{QStringLiteral("two words")}},
                                    {"n", AnyCodable{qint64(3)}}};
        QCOMPARE(LogWriter(LogWriter::Level::Info, false)
                     .formatLine(at, LogWriter::Level::Warn, u"x", u"A\nB", details),
                 QByteArray(R"(1970-01-01T00:00:00.000Z warn x: A B n=3 name="two words")"));
        QCOMPARE(LogWriter(LogWriter::Level::Info, true)
                     .formatLine(at, LogWriter::Level::Info, u"x", u"m", details),
                 QByteArray(R"({"code":"x","details":{"n":3,"name":"two words"},"level":"info","msg":"m",)"
                            R"("ts":"1970-01-01T00:00:00.000Z"})"));
    }

    void pairingCodesAreTypeable() {
        const QRegularExpression shape(QStringLiteral("^[A-HJKMNP-Z2-9]{4}-[A-HJKMNP-Z2-9]{4}$"));
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString code = PairingMachine::generateCode();
            QVERIFY2(shape.match(code).hasMatch(), qPrintable(code));
            seen.insert(code);
        }
        QCOMPARE(seen.size(), 200);
        QCOMPARE(PairingMachine::normalizedCode(u" abcd-ef gh "), QStringLiteral("ABCDEFGH"));
    }

    void pairingLifecycle() {
        QTemporaryDir dir;
        const LogWriter quiet(LogWriter::Level::Error, false);
        Database database(dir.filePath("companion.db"));
        PairingStore store(database);
        DiagnosticsStore diagnostics(database, 100);
        EventRecorder events(diagnostics, quiet);
        PairingMachine machine(store, events, 150ms);

        const PairingStatePayload first = machine.begin();
        QCOMPARE(first.status, PairingStatus::Pending);
        QVERIFY(first.code && first.pairingId && first.expiresAt);
        QCOMPARE(machine.begin(), first); // a second begin answers the same pending pairing

        // Expires by itself, without anyone asking, and says so.
        QTRY_COMPARE_WITH_TIMEOUT(store.current().status, PairingStatus::Unpaired, 3000);
        QCOMPARE(diagnostics.newest(1).first().code, QStringLiteral("pairing_expired"));
        QCOMPARE(errorOf([&] { machine.approve(*first.code, "owner"); }),
                 QStringLiteral("No pairing is waiting for approval on this computer."));
    }

    void pairingApprovalAndGuessing() {
        QTemporaryDir dir;
        const LogWriter quiet(LogWriter::Level::Error, false);
        Database database(dir.filePath("companion.db"));
        PairingStore store(database);
        DiagnosticsStore diagnostics(database, 100);
        EventRecorder events(diagnostics, quiet);
        PairingMachine machine(store, events, 10min);

        QString code = *machine.begin().code;
        QCOMPARE(errorOf([&] { machine.approve(u"AAAA-AAAA", "owner"); }),
                 QStringLiteral("That pairing code is not valid."));
        machine.approve(code.toLower().remove(u'-'), QStringLiteral("owner-1")); // as a person types it
        QCOMPARE(store.current().status, PairingStatus::Paired);
        QCOMPARE(store.current().trustOwnerId, QStringLiteral("owner-1"));
        QCOMPARE(errorOf([&] { machine.begin(); }),
                 QStringLiteral("This computer is already paired; unpair it before pairing again."));

        machine.reset(QStringLiteral("test"));
        code = *machine.begin().code;
        for (int i = 0; i < PairingMachine::maxWrongCodes; ++i) {
            QCOMPARE(store.current().status, PairingStatus::Pending);
            QCOMPARE(errorOf([&] { machine.approve(u"ZZZZ-ZZZZ", "guess"); }),
                     QStringLiteral("That pairing code is not valid."));
        }
        // Guessing ends the pairing: the real code no longer works either.
        QCOMPARE(store.current().status, PairingStatus::Unpaired);
        QCOMPARE(diagnostics.newest(1).first().code, QStringLiteral("pairing_cancelled"));
        QVERIFY(!errorOf([&] { machine.approve(code, "owner"); }).isEmpty());
    }

    void databaseRefusesWhatItCannotTrust_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a database") << QByteArray(8192, 'x') << "is damaged";
        QTest::newRow("written by a newer build") << QByteArray() << "was written by a newer version";
    }
    void databaseRefusesWhatItCannotTrust() {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath("companion.db");
        if (content.isEmpty()) {
            Database(path).run(QStringLiteral("PRAGMA user_version = 99"));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QVERIFY2(errorOf([&] { Database database(path); }).contains(problem), qPrintable(problem));
    }

    void storesKeepOrderAndPruneDiagnostics() {
        QTemporaryDir dir;
        const QString path = dir.filePath("companion.db");
        {
            Database database(path);
            QVERIFY(database.wasCreated());
            QCOMPARE(database.schemaVersion(), Database::latestSchemaVersion());
            ClientStore clients(database);
            for (const char* id : {"b", "a", "c"}) {
                ClientConfig client;
                client.id = client.label = QString::fromLatin1(id);
                clients.put(client);
            }
            ClientConfig changed = *clients.find(u"a");
            changed.port = 9;
            clients.put(changed);
            QVERIFY(clients.remove(u"c"));
            QVERIFY(!clients.remove(u"c"));
            DiagnosticsStore diagnostics(database, 3);
            for (int i = 0; i < 5; ++i) {
                diagnostics.append(i % 2 ? "error" : "info", QString::number(i), "m");
            }
        }
        Database database(path);
        QVERIFY(!database.wasCreated());
        ClientStore clients(database);
        QCOMPARE(clients.clients().size(), 2);
        QCOMPARE(clients.clients().at(0).id, QStringLiteral("b")); // insertion order survives an update
        QCOMPARE(clients.clients().at(1).port, 9);
        const DiagnosticsStore diagnostics(database, 3);
        const QList<DiagnosticEvent> newest = diagnostics.newest(10);
        QCOMPARE(newest.size(), 3);
        QCOMPARE(newest.first().code, QStringLiteral("4"));
        QCOMPARE(newest.first().id, QStringLiteral("5"));
        QCOMPARE(diagnostics.newestErrors(10).size(), 1); // "1" was pruned, "3" is left
    }
};

QTEST_GUILESS_MAIN(CompanionPartsTest)
#include "tst_companionparts.moc"
