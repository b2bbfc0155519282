#include "ModelHarness.h"
#include "common/RefusingPort.h"
#include "common/RuntimeProcesses.h"

#include <QCoro/QCoroTask>
#include <QTest>

// The model against the real runtime on 127.0.0.1:46901, started by the model's
// own start-up: a torrent client added, edited, tested and removed.
class TestModelClientsIntegration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        QVERIFY2(runtimePortIsFree(), "something already listens on 127.0.0.1:46901");
        // The runtime has no release feed: the silent release checks stay on this machine.
        m_harness = std::make_unique<ModelHarness>(
            ModelHarness::Options{.bundledRuntime = QStringLiteral(VC_COMPANION_RUNTIME)});
        QCoro::waitFor(m_harness->model->bootstrap());
        QCOMPARE(m_harness->model->errorMessage(), std::nullopt);
        QCOMPARE(m_harness->model->runtime()->identity.displayName, u"test-host"_qs);
    }

    void cleanupTestCase() {
        if (m_harness) {
            QCoro::waitFor(m_harness->model->shutdown());
        }
        killRuntimeProcesses();
    }

    void addEditTestAndRemoveAClient() {
        auto& model = *m_harness->model;
        const RefusingPort closed;
        ClientDraft draft = ClientDraft::fromClient(std::nullopt);
        std::tie(draft.label, draft.port) = std::tuple(u"Seedbox"_qs, closed.port());
        model.setClientDraft(draft);
        QCoro::waitFor(model.saveClientDraft(draft));
        QCOMPARE(model.noticeMessage(), u"Torrent client saved."_qs);
        QCOMPARE(model.currentClients().size(), 1);
        const ClientConfig added = model.currentClients().constFirst();
        QVERIFY(!added.id.isEmpty());
        QCOMPARE(std::tuple(added.label, added.host, added.port, added.hostKind),
                 std::tuple(u"Seedbox"_qs, u"localhost"_qs, draft.port, HostKind::Local));

        ClientDraft edit = ClientDraft::fromClient(added);
        std::tie(edit.label, edit.type) = std::tuple(u"Attic"_qs, ClientType::Transmission);
        QCoro::waitFor(model.saveClientDraft(edit));
        QCOMPARE(model.currentClients().size(), 1);
        const ClientConfig edited = model.currentClients().constFirst();
        QCOMPARE(std::tuple(edited.id, edited.label, edited.type),
                 std::tuple(added.id, u"Attic"_qs, ClientType::Transmission));

        QCoro::waitFor(model.probeClient(edited));
        QCOMPARE(model.noticeMessage(), u"Attic was tested again."_qs);
        // Nothing listens on the port: the runtime's check says so.
        QVERIFY(model.currentClients().constFirst().lastError.has_value());

        QCoro::waitFor(model.deleteClient(edited));
        QCOMPARE(model.noticeMessage(), u"Attic was removed."_qs);
        QVERIFY(model.currentClients().isEmpty());
        QCOMPARE(model.errorMessage(), std::nullopt);
    }

private:
    std::unique_ptr<ModelHarness> m_harness;
};

QTEST_GUILESS_MAIN(TestModelClientsIntegration)
#include "tst_model_clients_integration.moc"
