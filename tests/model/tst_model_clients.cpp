#include "ModelHarness.h"
#include "model/ClientDraft.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>

namespace {

ClientConfig client(const QString& id, const QString& label) {
    ClientConfig config;
    config.id = id;
    config.label = label;
    config.host = u"localhost"_qs;
    config.port = 8080;
    return config;
}

// A runtime that already knows these clients.
void serveClients(ModelHarness& harness, const QList<ClientConfig>& clients) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.clients = clients;
    harness.server.serveHealthyRuntime(snapshot, CannedRuntimeServer::health());
    harness.server.setAnswer(u"/v1/clients/save"_qs,
                             {200, WireCoding::encode(client(u"c7"_qs, u"NAS"_qs)), {}});
    harness.server.setAnswer(u"/v1/clients/delete"_qs, {200, R"({"deleted":"c7"})", {}});
    harness.server.setAnswer(u"/v1/clients/probe"_qs, {200, "[]", {}});
}

qsizetype lastIndexOf(const CannedRuntimeServer& server, const QString& path) {
    const auto& requests = server.requests();
    for (qsizetype i = requests.size() - 1; i >= 0; --i) {
        if (requests[i].path == path) {
            return i;
        }
    }
    return -1;
}

} // namespace

class TestModelClients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void draftsFromNothingAndFromAStoredClient() {
        const ClientDraft fresh = ClientDraft::fromClient(std::nullopt);
        QCOMPARE(
            std::tuple(fresh.clientID, fresh.type, fresh.hostKind, fresh.host, fresh.port, fresh.username),
            std::tuple(QString(), ClientType::Qbittorrent, HostKind::Local, u"localhost"_qs, qint64(8080),
                       QString()));
        QVERIFY(fresh.id != ClientDraft::fromClient(std::nullopt).id);

        ClientConfig stored = client(u"c1"_qs, u"NAS"_qs);
        stored.type = ClientType::Transmission;
        stored.hostKind = HostKind::Lan;
        stored.host = u"nas"_qs;
        stored.username = u"jane"_qs;
        stored.apiKey = u"key"_qs;
        stored.caCertPem = u"PEM"_qs;
        stored.authState = u"ok"_qs;
        stored.lastError = u"refused"_qs;
        stored.useTls = true;
        const ClientDraft edit = ClientDraft::fromClient(stored);
        QCOMPARE(std::tuple(edit.clientID, edit.label, edit.type, edit.host, edit.username, edit.password,
                            edit.useTls),
                 std::tuple(u"c1"_qs, u"NAS"_qs, ClientType::Transmission, u"nas"_qs, u"jane"_qs, QString(),
                            true));
        // What the editor does not hold is not sent back.
        const ClientConfig back = edit.asClientConfig();
        QCOMPARE(std::tuple(back.apiKey, back.caCertPem, back.authState, back.lastError),
                 std::tuple(std::optional<QString>(), std::optional<QString>(), u"unknown"_qs,
                            std::optional<QString>()));
    }

    void newDraftDefaultsFillOnlyWhatIsMissing() {
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        draft.type = ClientType::Deluge;
        draft.applyDefaultsForCurrentType();
        QCOMPARE(std::tuple(draft.host, draft.port), std::tuple(u"localhost"_qs, qint64(8080)));
        std::tie(draft.port, draft.host, draft.hostKind) = std::tuple(0, u" \n"_qs, HostKind::Lan);
        draft.applyDefaultsForCurrentType();
        QCOMPARE(std::tuple(draft.host, draft.port), std::tuple(u"192.168.1.50"_qs, qint64(8112)));
        std::tie(draft.port, draft.type) = std::tuple(0, ClientType::Transmission);
        draft.applyDefaultsForCurrentType();
        QCOMPARE(draft.port, qint64(9091));
    }

    void theSavedRecordIsTrimmedAndItsHostKindInferred() {
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        std::tie(draft.label, draft.host, draft.username, draft.password) =
            std::tuple(u" NAS\n"_qs, u" 192.168.1.9 "_qs, u"  "_qs, u" pw "_qs);
        ClientConfig config = draft.asClientConfig();
        QCOMPARE(std::tuple(config.label, config.host, config.hostKind, config.username, config.password),
                 std::tuple(u"NAS"_qs, u"192.168.1.9"_qs, HostKind::Lan, std::optional<QString>(),
                            std::optional(u"pw"_qs)));
        std::tie(draft.host, draft.hostKind) = std::tuple(u"127.0.0.1"_qs, HostKind::Lan);
        QCOMPARE(draft.asClientConfig().hostKind, HostKind::Local);
        std::tie(draft.host, draft.hostKind) = std::tuple(u"  "_qs, HostKind::Lan);
        QCOMPARE(draft.asClientConfig().hostKind, HostKind::Lan);
    }

    void currentClientsAreSortedByLabelIgnoringCaseAndKeepTies() {
        ModelHarness harness;
        QVERIFY(harness.model->currentClients().isEmpty());
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

    void eachActionSendsItsRequestThenRefreshes_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("failureMessage");
        QTest::newRow("save") << u"save"_qs << u"/v1/clients/save"_qs << u"Torrent client saved."_qs
                              << u"Label is already used."_qs;
        QTest::newRow("delete") << u"delete"_qs << u"/v1/clients/delete"_qs << u"Seedbox was removed."_qs
                                << u"Unknown client."_qs;
        QTest::newRow("test one") << u"probe"_qs << u"/v1/clients/probe"_qs << u"Seedbox was tested again."_qs
                                  << u"Probe failed."_qs;
        QTest::newRow("test all") << u"probeAll"_qs << u"/v1/clients/probe"_qs
                                  << u"All configured clients were tested."_qs << u"Probe failed."_qs;
    }
    void eachActionSendsItsRequestThenRefreshes() {
        QFETCH(QString, action);
        QFETCH(QString, path);
        QFETCH(QString, failureMessage);
        ModelHarness harness({.setupCompleted = true});
        auto& model = *harness.model;
        const ClientConfig seedbox = client(u"c7"_qs, u"Seedbox"_qs);
        serveClients(harness, {seedbox});
        QVERIFY(harness.refresh());
        ClientDraft draft = ClientDraft::fromClient(seedbox);
        draft.label = u" Seedbox 2 "_qs;
        const auto run = [&] {
            model.setClientDraft(draft);
            return action == u"save"     ? model.saveClientDraft(draft)
                   : action == u"delete" ? model.deleteClient(seedbox)
                   : action == u"probe"  ? model.probeClient(seedbox)
                                         : model.probeAllClients();
        };

        const qsizetype before = harness.server.requests().size();
        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), std::nullopt);
        QTEST(model.noticeMessage().value_or(QString()), "notice");
        const auto& sent = harness.server.requests().at(before);
        QCOMPARE(sent.path, path);
        const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
        if (action == u"save") {
            QCOMPARE(std::tuple(body[u"id"].toString(), body[u"label"].toString()),
                     std::tuple(u"c7"_qs, u"Seedbox 2"_qs));
            QCOMPARE(model.clientDraft(), std::nullopt);
            QCOMPARE(model.selectedSection(), DashboardSection::Clients);
        } else {
            QCOMPARE(body,
                     (action == u"probeAll" ? QJsonObject() : QJsonObject{{u"client_id"_qs, u"c7"_qs}}));
        }
        QVERIFY(lastIndexOf(harness.server, u"/v1/runtime"_qs) > before);
        // Local clients need no local-network access, so nothing restarted the runtime.
        QCOMPARE(harness.server.count(u"/healthz"_qs), 0);

        // A refused request shows the runtime's words, skips the refresh and keeps the editor's input.
        harness.server.setAnswer(path, {422, failureMessage.toUtf8(), {}});
        const qsizetype failedAt = harness.server.requests().size();
        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), failureMessage);
        QCOMPARE(lastIndexOf(harness.server, u"/v1/runtime"_qs) < failedAt, true);
        if (action == u"save") {
            QCOMPARE(model.clientDraft(), std::optional(draft));
        }
        QVERIFY(!model.isBusy());
    }

    void lanPreparationRestartsTheRuntimeOnlyWhenAccessWasJustObtained_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<HostKind>("kind");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<bool>("restarted");
        QTest::newRow("localhost") << u"localhost"_qs << HostKind::Local << true << false;
        QTest::newRow("loopback marked LAN") << u"127.0.0.1"_qs << HostKind::Lan << true << false;
        // A LAN host that still lands on this machine: a mapped loopback address.
        QTest::newRow("LAN client answers") << u"::ffff:127.0.0.1"_qs << HostKind::Lan << true << true;
        QTest::newRow("LAN client refuses") << u"::ffff:127.0.0.1"_qs << HostKind::Lan << false << false;
    }
    void lanPreparationRestartsTheRuntimeOnlyWhenAccessWasJustObtained() {
        QFETCH(QString, host);
        QFETCH(HostKind, kind);
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
            std::tuple(u"NAS"_qs, host, kind, qint64(torrentClient.serverPort()));
        if (!listening) {
            torrentClient.close();
        }

        model.setClientDraft(draft);
        QCoro::waitFor(model.saveClientDraft(draft));
        QTRY_COMPARE(connections, restarted ? 1 : 0);
        const qsizetype saved = lastIndexOf(harness.server, u"/v1/clients/save"_qs);
        QCOMPARE(harness.server.count(u"/healthz"_qs) > 0, restarted);
        if (!listening) {
            // Nothing reaches the runtime before access is there.
            QCOMPARE(saved, -1);
            QVERIFY(model.errorMessage()->startsWith(u"Vendrilo Connect could not open a LAN connection to "
                                                     u"::ffff:127.0.0.1:"));
            QCOMPARE(model.clientDraft(), std::optional(draft));
            return;
        }
        QCOMPARE(model.noticeMessage(), u"Torrent client saved."_qs);
        QVERIFY(lastIndexOf(harness.server, u"/healthz"_qs) < saved);

        // Access is obtained once per process: the next LAN save neither probes nor restarts.
        const int healthChecks = harness.server.count(u"/healthz"_qs);
        QCoro::waitFor(model.saveClientDraft(draft));
        QCOMPARE(std::tuple(connections, harness.server.count(u"/healthz"_qs)),
                 std::tuple(restarted ? 1 : 0, healthChecks));
    }
};

QTEST_GUILESS_MAIN(TestModelClients)
#include "tst_model_clients.moc"
