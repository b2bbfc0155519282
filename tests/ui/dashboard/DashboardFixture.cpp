#include "DashboardFixture.h"

#include "runtime/WireCoding.h"

#include <QTest>

void DashboardFixture::prepareApplication() {
    ModelHarness::isolateUserFolders();
    UiTheme::useFusion();
}

ClientConfig DashboardFixture::client(const QString& id, const QString& label, const QString& authState,
                                      std::optional<QString> lastError) {
    ClientConfig client;
    client.id = id;
    client.label = label;
    client.host = u"localhost"_qs;
    client.port = 8080;
    client.authState = authState;
    client.lastError = std::move(lastError);
    return client;
}

RuntimeSnapshot DashboardFixture::pairedSnapshot(QList<ClientConfig> clients) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.identity.companionId = u"cmp_7f3a9c"_qs;
    snapshot.backendStatus.presenceState = PresenceState::Connected;
    snapshot.localNetwork.candidates = {{u"192.168.1.20"_qs, 46901, u"ipv4"_qs},
                                        {u"10.0.0.4"_qs, 46901, u"ipv4"_qs}};
    snapshot.clients = std::move(clients);
    return snapshot;
}

void DashboardFixture::servePendingPairing(const QDateTime& expiresAt) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Pending, u"482913"_qs);
    snapshot.identity.pairing.expiresAt = expiresAt;
    const PairingLinkPayload link{u"482913"_qs,
                                  u"https://vendrilo.app/pair/482913"_qs,
                                  u"vendrilo://pair/482913"_qs,
                                  u"companion"_qs,
                                  {}};
    harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, WireCoding::encode(link), {}});
    serveAndRefresh(snapshot);
}

DashboardFixture::DashboardFixture(ModelHarness::Options options)
    : harness(std::move(options)), model(*harness.model), view(model) {
    view.setAnimationsEnabled(false);
    view.resize(960, 820);
}

DashboardFixture::~DashboardFixture() {
    if (!QTest::qWaitFor([this] { return !model.isBusy() && !model.isRefreshing(); }, 10000)) {
        qWarning("The model was still busy when the test ended");
    }
    settle();
}

void DashboardFixture::serveAndRefresh(const RuntimeSnapshot& snapshot) {
    harness.serve(snapshot);
    harness.refresh();
    settle();
}

void DashboardFixture::show() {
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // The first show starts the model; wait for its start-up to end.
    QVERIFY(QTest::qWaitFor([this] { return !model.isBusy() && !model.isRefreshing(); }, 10000));
    settle();
}

void DashboardFixture::settle() {
    // Deferred updates and layouts run on the next turns of the event loop.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void DashboardFixture::saveScreenshot(const QString& name) {
    QVERIFY(UiTheme::save(view, name));
    if (view.clientEditor()) {
        QVERIFY(UiTheme::save(*view.clientEditor(), name + u"-sheet"_qs));
    }
}
