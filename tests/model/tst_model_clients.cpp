#include "ModelHarness.h"
#include "model/ClientDraft.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QTcpServer>
#include <QTest>

using OptionalText = std::optional<QString>;

namespace {

ClientConfig client(const QString& id, const QString& label) {
    ClientConfig config;
    std::tie(config.id, config.label, config.host, config.port) =
        std::tuple(id, label, u"localhost"_qs, 8080);
    return config;
}

// A paired runtime that knows these clients and accepts a save.
void serveClients(ModelHarness& harness, const QList<ClientConfig>& clients) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.clients = clients;
    harness.serve(snapshot);
    harness.server.setAnswer(u"/v1/clients/save"_qs,
                             {200, WireCoding::encode(client(u"c7"_qs, u"NAS"_qs)), {}});
}

} // namespace

class TestModelClients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void draftsKeepWhatTheUserEnteredAndSendATrimmedRecord() {
        ClientConfig stored = client(u"c1"_qs, u"NAS"_qs);
        std::tie(stored.type, stored.apiKey, stored.caCertPem, stored.authState, stored.lastError) =
            std::tuple(ClientType::Transmission, u"key"_qs, u"PEM"_qs, u"ok"_qs, u"refused"_qs);
        ClientDraft draft = ClientDraft::fromClient(stored);
        QCOMPARE(std::tuple(draft.clientID, draft.label, draft.type),
                 std::tuple(u"c1"_qs, u"NAS"_qs, ClientType::Transmission));
        // What the editor does not hold is not sent back.
        const ClientConfig back = draft.asClientConfig();
        QCOMPARE(std::tuple(back.apiKey, back.caCertPem, back.authState, back.lastError),
                 std::tuple(OptionalText(), OptionalText(), u"unknown"_qs, OptionalText()));

        std::tie(draft.label, draft.host, draft.hostKind, draft.username, draft.password) =
            std::tuple(u" NAS\n"_qs, u" 192.168.1.9 "_qs, HostKind::Local, u"  "_qs, u" pw "_qs);
        const ClientConfig config = draft.asClientConfig();
        QCOMPARE(
            std::tuple(config.label, config.host, config.hostKind, config.username, config.password),
            std::tuple(u"NAS"_qs, u"192.168.1.9"_qs, HostKind::Lan, OptionalText(), OptionalText(u"pw"_qs)));
        std::tie(draft.host, draft.hostKind) = std::tuple(u"127.0.0.1"_qs, HostKind::Lan);
        QCOMPARE(draft.asClientConfig().hostKind, HostKind::Local);
        std::tie(draft.host, draft.hostKind) = std::tuple(u"  "_qs, HostKind::Lan);
        QCOMPARE(draft.asClientConfig().hostKind, HostKind::Lan);
    }

    void currentClientsAreSortedByLabelIgnoringCaseAndKeepTies() {
        ModelHarness harness;
        serveClients(harness, {client(u"b"_qs, u"beta"_qs), client(u"s2"_qs, u"Seedbox"_qs),
                               client(u"a"_qs, u"Alpha"_qs), client(u"g"_qs, u"gamma"_qs),
                               client(u"s1"_qs, u"Seedbox"_qs)});
        QVERIFY(harness.refresh());
        QStringList ids;
        for (const ClientConfig& config : harness.model->currentClients()) {
            ids << config.id;
        }
        QCOMPARE(ids, (QStringList{"a", "b", "g", "s2", "s1"}));
    }

    // A LAN host that still lands on this machine: a mapped loopback address.
    void lanPreparationRestartsTheRuntimeOnlyWhenAccessWasJustObtained_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("restarted");
        QTest::newRow("loopback marked LAN") << u"127.0.0.1"_qs << true << false;
        QTest::newRow("LAN client answers") << u"::ffff:127.0.0.1"_qs << true << true;
        QTest::newRow("LAN client refuses") << u"::ffff:127.0.0.1"_qs << false << false;
    }
    void lanPreparationRestartsTheRuntimeOnlyWhenAccessWasJustObtained() {
        QFETCH(QString, host);
        QFETCH(bool, listening);
        QFETCH(bool, restarted);
        ModelHarness harness({.setupCompleted = true});
        auto& model = *harness.model;
        serveClients(harness, {});
        QTcpServer torrentClient;
        QVERIFY(torrentClient.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&torrentClient, &QTcpServer::newConnection, this, [&] { ++connections; });
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        std::tie(draft.label, draft.host, draft.hostKind, draft.port) =
            std::tuple(u"NAS"_qs, host, HostKind::Lan, qint64(torrentClient.serverPort()));
        if (!listening) {
            torrentClient.close();
        }

        model.setClientDraft(draft);
        QCoro::waitFor(model.saveClientDraft(draft));
        QTRY_COMPARE(connections, restarted ? 1 : 0);
        const qsizetype saved = harness.server.lastIndexOf(u"/v1/clients/save"_qs);
        QCOMPARE(harness.server.count(u"/healthz"_qs) > 0, restarted);
        if (!listening) {
            // Nothing reaches the runtime before access is there.
            QCOMPARE(saved, -1);
            QVERIFY(model.errorMessage()->startsWith(
                u"Vendrilo Connect could not open a LAN connection to ::ffff:127.0.0.1:"));
            QCOMPARE(model.clientDraft(), std::optional(draft));
            return;
        }
        QCOMPARE(model.noticeMessage(), u"Torrent client saved."_qs);
        QVERIFY(harness.server.lastIndexOf(u"/healthz"_qs) < saved);

        // Access is obtained once per process: the next LAN save neither probes nor restarts.
        const int healthChecks = harness.server.count(u"/healthz"_qs);
        QCoro::waitFor(model.saveClientDraft(draft));
        QCOMPARE(std::tuple(connections, harness.server.count(u"/healthz"_qs)),
                 std::tuple(restarted ? 1 : 0, healthChecks));
    }
};

QTEST_GUILESS_MAIN(TestModelClients)
#include "tst_model_clients.moc"
