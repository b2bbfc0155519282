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

        CompanionProcessController::Settings runtime;
        runtime.bundledRuntime = QStringLiteral(VC_COMPANION_RUNTIME);
        runtime.hostName = u"Integration Host"_qs;
        m_processController = std::make_unique<CompanionProcessController>(runtime);
        m_model = std::make_unique<CompanionAppModel>(
            CompanionAppModel::Collaborators{
                .processController = *m_processController,
                .platform = m_platform,
                .preferences = m_preferences,
                .computerName = u"Integration Host"_qs,
                .applicationVersion = u"1.0.0"_qs,
                // The runtime has no feed: the silent release checks stay on this machine.
                .manifestURL = QUrl(u"http://127.0.0.1:46901/connect/releases/companion.json"_qs),
            },
            ModelHarness::fastSettings());
        QCoro::waitFor(m_model->bootstrap());
        QCOMPARE(m_model->errorMessage(), std::nullopt);
        QCOMPARE(m_model->runtime()->identity.displayName, u"Integration Host"_qs);
    }

    void cleanupTestCase() {
        if (m_model) {
            QCoro::waitFor(m_model->shutdown());
        }
        killRuntimeProcesses();
    }

    void addEditTestAndRemoveAClient() {
        auto& model = *m_model;
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
    QTemporaryDir m_folder;
    CompanionPreferences m_preferences =
        CompanionPreferences::inFile(m_folder.filePath(u"preferences.ini"_qs));
    RecordingPlatformServices m_platform;
    std::unique_ptr<CompanionProcessController> m_processController;
    std::unique_ptr<CompanionAppModel> m_model;
};

QTEST_GUILESS_MAIN(TestModelClientsIntegration)
#include "tst_model_clients_integration.moc"
