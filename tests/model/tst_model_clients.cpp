#include "ModelHarness.h"
#include "common/RefusingPort.h"
#include "model/ClientDraft.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QTcpServer>
#include <QTest>

using OptionalText = std::optional<QString>;

namespace {

// A paired runtime that knows these clients and accepts a save and a test.
void serveClients(ModelHarness& harness, const QList<ClientConfig>& clients) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.clients = clients;
    harness.serve(snapshot);
    harness.server.setAnswer(
        u"/v1/clients/save"_qs,
        {200, WireCoding::encode(CannedRuntimeServer::client(u"c7"_qs, u"NAS"_qs, 8080)), {}});
    harness.server.setAnswer(u"/v1/clients/probe"_qs, {200, "[]", {}});
}

} // namespace

class TestModelClients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    // The editor keeps what the user entered; a save sends a trimmed record
    // without what the editor does not hold, its host kind following the host.
    void draftsKeepWhatTheUserEnteredAndSendATrimmedRecord() {
        ClientConfig stored = CannedRuntimeServer::client(u"c1"_qs, u"NAS"_qs, 8080);
        std::tie(stored.type, stored.apiKey, stored.caCertPem, stored.authState, stored.lastError) =
            std::tuple(ClientType::Transmission, u"key"_qs, u"PEM"_qs, u"ok"_qs, u"refused"_qs);
        ClientDraft draft = ClientDraft::fromClient(stored);
        QCOMPARE(std::tuple(draft.clientID, draft.label, draft.type),
                 std::tuple(u"c1"_qs, u"NAS"_qs, ClientType::Transmission));
        std::tie(draft.label, draft.host, draft.hostKind, draft.username, draft.password) =
            std::tuple(u" NAS\n"_qs, u" 192.168.1.9 "_qs, HostKind::Local, u"  "_qs, u" pw "_qs);
        const ClientConfig sent = draft.asClientConfig();
        QCOMPARE(
            std::tuple(sent.label, sent.host, sent.hostKind, sent.username, sent.password),
            std::tuple(u"NAS"_qs, u"192.168.1.9"_qs, HostKind::Lan, OptionalText(), OptionalText(u"pw"_qs)));
        QCOMPARE(std::tuple(sent.apiKey, sent.caCertPem, sent.authState, sent.lastError),
                 std::tuple(OptionalText(), OptionalText(), u"unknown"_qs, OptionalText()));
    }

    void currentClientsAreSortedByLabelIgnoringCaseAndKeepTies() {
        ModelHarness harness;
        const auto client = &CannedRuntimeServer::client;
        serveClients(harness, {client(u"b"_qs, u"beta"_qs, 8080), client(u"s2"_qs, u"Seedbox"_qs, 8080),
                               client(u"a"_qs, u"Alpha"_qs, 8080), client(u"g"_qs, u"gamma"_qs, 8080),
                               client(u"s1"_qs, u"Seedbox"_qs, 8080)});
        QVERIFY(harness.refresh());
        QStringList ids;
        for (const ClientConfig& config : harness.model->currentClients()) {
            ids << config.id;
        }
        QCOMPARE(ids, (QStringList{"a", "b", "g", "s2", "s1"}));
    }

    // Cleared fields get the type's port and the host kind's host; entered ones stay.
    void editorDefaults_data() {
        QTest::addColumn<ClientDraft>("draft");
        QTest::addColumn<QString>("host");
        QTest::addColumn<qint64>("port");
        const auto row = [](const char* name, ClientType type, HostKind kind, const QString& host,
                            qint64 port, const QString& expectedHost, qint64 expectedPort) {
            ClientDraft draft;
            std::tie(draft.type, draft.hostKind, draft.host, draft.port) = std::tuple(type, kind, host, port);
            QTest::newRow(name) << draft << expectedHost << expectedPort;
        };
        using enum ClientType;
        row("cleared port, Transmission", Transmission, HostKind::Local, u"nas"_qs, 0, u"nas"_qs, 9091);
        row("cleared port, Deluge", Deluge, HostKind::Local, u"nas"_qs, 0, u"nas"_qs, 8112);
        row("switched to Deluge keeps 8080", Deluge, HostKind::Local, u"localhost"_qs, 8080, u"localhost"_qs,
            8080);
        row("blank LAN host", Qbittorrent, HostKind::Lan, u" "_qs, 8080, u"192.168.1.50"_qs, 8080);
        row("blank local host", Qbittorrent, HostKind::Local, {}, 8080, u"localhost"_qs, 8080);
    }
    void editorDefaults() {
        QFETCH(ClientDraft, draft);
        draft.applyDefaultsForCurrentType();
        QTEST(draft.host, "host");
        QTEST(draft.port, "port");
    }

    // Every action that reaches torrent clients first asks for local-network access
    // with a probe of the first LAN client (here a mapped loopback address, so it stays
    // on this machine), and restarts the runtime once access was just obtained.
    void localNetworkPreparation_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("probed");
        const QString lan = u"::ffff:127.0.0.1"_qs;
        QTest::newRow("save, loopback marked LAN") << u"save"_qs << u"127.0.0.1"_qs << true << false;
        QTest::newRow("save, LAN client answers") << u"save"_qs << lan << true << true;
        QTest::newRow("save, LAN client refuses") << u"save"_qs << lan << false << false;
        QTest::newRow("test one client") << u"probe"_qs << lan << true << true;
        QTest::newRow("test all clients") << u"probeAll"_qs << lan << true << true;
        QTest::newRow("toolbar refresh") << u"refresh"_qs << lan << true << true;
        QTest::newRow("start-up") << u"start"_qs << lan << true << true;
    }
    void localNetworkPreparation() {
        QFETCH(QString, action);
        QFETCH(bool, listening);
        QFETCH(bool, probed);
        ModelHarness harness({.setupCompleted = true});
        auto& model = *harness.model;
        QTcpServer torrentClient;
        const RefusingPort refusing;
        QVERIFY(torrentClient.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&torrentClient, &QTcpServer::newConnection, this, [&] { ++connections; });
        QFETCH(QString, host);
        ClientDraft draft;
        std::tie(draft.clientID, draft.label, draft.host, draft.hostKind, draft.port) =
            std::tuple(u"c7"_qs, u"NAS"_qs, host, HostKind::Lan,
                       listening ? torrentClient.serverPort() : refusing.port());
        serveClients(harness, action == u"save" ? QList<ClientConfig>() : QList{draft.asClientConfig()});
        QVERIFY(harness.refresh());
        const auto run = [&] {
            model.setClientDraft(draft);
            if (action == u"start") {
                model.startIfNeeded();
                QTRY_VERIFY_WITH_TIMEOUT(!model.isBusy(), 30000);
                return;
            }
            QCoro::waitFor(action == u"save"       ? model.saveClientDraft(draft)
                           : action == u"probe"    ? model.probeClient(draft.asClientConfig())
                           : action == u"probeAll" ? model.probeAllClients()
                                                   : model.refreshFromToolbar());
        };
        run();
        const QString error = model.errorMessage().value_or(QString());
        QVERIFY2(listening ? error.isEmpty()
                           : error.startsWith(
                                 u"Vendrilo Connect could not open a LAN connection to ::ffff:127.0.0.1:"),
                 qPrintable(error));
        QTRY_COMPARE(connections, probed ? 1 : 0);
        if (action != u"save") {
            return;
        }
        const qsizetype saved = harness.server.lastIndexOf(u"/v1/clients/save"_qs);
        QCOMPARE(harness.server.count(u"/healthz"_qs) > 0, probed);
        if (!listening) {
            // Nothing reaches the runtime before access is there.
            QCOMPARE(std::tuple(saved, model.clientDraft()), std::tuple(qsizetype(-1), std::optional(draft)));
            return;
        }
        QVERIFY(harness.server.lastIndexOf(u"/healthz"_qs) < saved);

        // Access is obtained once per process: the next LAN save neither probes nor restarts.
        const int healthChecks = harness.server.count(u"/healthz"_qs);
        run();
        QCOMPARE(std::tuple(connections, harness.server.count(u"/healthz"_qs)),
                 std::tuple(probed ? 1 : 0, healthChecks));
    }
};

QTEST_GUILESS_MAIN(TestModelClients)
#include "tst_model_clients.moc"
