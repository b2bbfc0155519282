#include "companion/ClientRules.h"
#include "companion/CommandLineOptions.h"
#include "companion/Database.h"
#include "companion/DiagnosticsStore.h"
#include "companion/LogWriter.h"
#include "companion/PairingMachine.h"
#include "companion/PeerOwner.h"
#include "companion/StateReporter.h"
#include "companion/StorageError.h"
#include "companion/UsageError.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const UserFacingError& error) {
        return error.description();
    }
    return {};
}

} // namespace

// The runtime's rules and storage, in process; requests and their texts are
// checked end to end in tst_companionruntime.
class CompanionPartsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        const QStringList run{"run",        "-data-dir", "/tmp/x",         "-platform", "linux",
                              "-host-name", "Box",       "-agent-version", "1.2.3"};
        const auto admin = [&](const char* address, const QStringList& more = {}) {
            return run + QStringList{"-admin-listen", address} + more;
        };
        const auto row = [](const char* name, const QStringList& arguments, const char* error,
                            const char* host = "", int port = 0) {
            QTest::newRow(name) << arguments << QString::fromUtf8(error) << QString::fromUtf8(host) << port;
        };
        row("as the app writes it", admin("127.0.0.1:46901"), "", "127.0.0.1", 46901);
        row("localhost", admin("localhost:5"), "", "localhost", 5);
        row("IPv6 loopback", admin("[::1]:7"), "", "::1", 7);
        row("no command", run.mid(1), "The first argument must be the command run.");
        row("missing flag", run, "-admin-listen is missing.");
        row("unknown flag", admin("127.0.0.1:1", {"-x", "y"}), "Unknown argument -x.");
        row("flag twice", admin("127.0.0.1:1", {"-platform", "macos"}), "-platform is given more than once.");
        row("flag without value", run + QStringList{"-admin-listen"}, "-admin-listen needs a value.");
        row("port out of range", admin("127.0.0.1:70000"),
            "-admin-listen needs HOST:PORT, for example 127.0.0.1:46901.");
        row("all interfaces", admin("0.0.0.0:46901"),
            "The admin API only listens on a loopback address such as 127.0.0.1, and 0.0.0.0 is not one.");
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        CommandLineOptions options;
        QCOMPARE(errorOf([&] { options = CommandLineOptions::parse(arguments); }), error);
        if (error.isEmpty()) {
            QTEST(options.adminHost, "host");
            QTEST(int(options.adminPort), "port");
            QVERIFY(options.adminBindAddress().isLoopback());
        }
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
    }

    void healthRules_data() {
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<bool>("listener");
        QTest::addColumn<QStringList>("authStates");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<CompanionHealthStatus>("status");
        const auto row = [](const char* name, PairingStatus pairing, bool listener, const QStringList& states,
                            const char* mode, CompanionHealthStatus status) {
            QTest::newRow(name) << pairing << listener << states << QString::fromUtf8(mode) << status;
        };
        using enum PairingStatus;
        using enum CompanionHealthStatus;
        row("pending", Pending, true, {}, "setup_required", SetupRequired);
        row("paired, all fine", Paired, true, {"ok", "unknown"}, "local_ready", Healthy);
        row("paired, client failing", Paired, true, {"ok", "auth_failed"}, "local_ready", Degraded);
        row("paired, no listener", Paired, false, {}, "offline", Degraded);
    }
    void healthRules() {
        QFETCH(PairingStatus, pairing);
        QFETCH(bool, listener);
        QFETCH(QStringList, authStates);
        QList<ClientConfig> clients;
        for (const QString& state : authStates) {
            ClientConfig client;
            client.id = client.label = client.authState = state;
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

    // Both ways of finding who holds the other end of a loopback connection.
    void peerOwnerOfLoopbackConnections_data() {
        QTest::addColumn<QHostAddress>("address");
        QTest::addColumn<PeerOwner::Source>("source");
        for (const auto& [name, address] : {std::pair{"IPv4", QHostAddress(QHostAddress::LocalHost)},
                                            {"IPv6", QHostAddress::LocalHostIPv6}}) {
            QTest::addRow("%s, sock_diag", name) << address << PeerOwner::Source::SockDiag;
            QTest::addRow("%s, /proc", name) << address << PeerOwner::Source::ProcTable;
        }
    }
    void peerOwnerOfLoopbackConnections() {
        QFETCH(QHostAddress, address);
        QFETCH(PeerOwner::Source, source);
        QTcpServer server;
        QVERIFY(server.listen(address));
        QTcpSocket client;
        client.connectToHost(address, server.serverPort());
        QVERIFY(client.waitForConnected(2000) && server.waitForNewConnection(2000));
        QTcpSocket* accepted = server.nextPendingConnection();
        // Retried: a read of /proc/net/tcp can miss a line while other connections come and go.
        QTRY_COMPARE_WITH_TIMEOUT(PeerOwner::ofConnection(int(accepted->socketDescriptor()), source),
                                  std::optional(::getuid()), 30000);
        client.abort();
        QTRY_COMPARE(PeerOwner::ofConnection(int(accepted->socketDescriptor()), source),
                     std::nullopt); // gone
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
    }

    void diagnosticsArePrunedAndNewerSchemasRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath("companion.db");
        {
            Database database(path);
            DiagnosticsStore diagnostics(database, 3);
            for (int i = 0; i < 5; ++i) {
                diagnostics.append(i % 2 ? "error" : "info", QString::number(i), "m");
            }
        }
        {
            Database database(path);
            const DiagnosticsStore diagnostics(database, 3);
            const QList<DiagnosticEvent> newest = diagnostics.newest(10);
            QCOMPARE(newest.size(), 3);
            QCOMPARE(newest.first().code, QStringLiteral("4"));
            QCOMPARE(newest.first().id, QStringLiteral("5"));
            QCOMPARE(diagnostics.newestErrors(10).size(), 1); // "1" was pruned, "3" is left
            database.run(QStringLiteral("PRAGMA user_version = 99"));
        }
        QVERIFY(errorOf([&] { Database database(path); }).contains("was written by a newer version"));
    }
};

QTEST_GUILESS_MAIN(CompanionPartsTest)
#include "tst_companionparts.moc"
