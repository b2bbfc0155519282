#include "DashboardFixture.h"
#include "runtime/WireCoding.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionMetricTile.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/onboarding/CompanionClientsStepView.h"
#include "ui/onboarding/CompanionGuideStepView.h"
#include "ui/onboarding/CompanionGuidedOnboardingView.h"
#include "ui/onboarding/CompanionOnboardingProgressView.h"
#include "ui/onboarding/CompanionOnboardingStepMarker.h"
#include "ui/onboarding/CompanionPairingStepView.h"
#include "ui/onboarding/CompanionReadyStepView.h"
#include "ui/onboarding/CompanionStepFooter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

ClientConfig client(const QString& id, const QString& authState, const std::optional<QString>& lastError) {
    return DashboardFixture::client(id, u"NAS "_qs + id, authState, lastError);
}

RuntimeSnapshot snapshot(PairingStatus pairing, QList<ClientConfig> clients = {}) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(pairing, u"K7Q-2PX"_qs);
    if (pairing == PairingStatus::Pending) {
        snapshot.identity.pairing.expiresAt = QDateTime::currentDateTimeUtc().addSecs(600);
    } else {
        snapshot.identity.pairing.code.reset();
    }
    snapshot.clients = std::move(clients);
    return snapshot;
}

QStringList markerWords(const CompanionOnboardingProgressView& progress) {
    QStringList words;
    for (const CompanionOnboardingStepMarker* marker : progress.markers()) {
        words.append(marker->statusWord());
    }
    return words;
}

CannedRuntimeServer::Answer linkAnswer() {
    return {
        200,
        R"({"code":"K7Q-2PX","web_url":"https://example.invalid/pair/K7Q-2PX","app_url":"vendrilo://pair",)"
        R"("source":"companion","qr_image_url":"https://example.invalid/qr.png"})",
        {}};
}

std::unique_ptr<ModelHarness> harnessWith(bool setupDone, const RuntimeSnapshot& served) {
    auto harness = std::make_unique<ModelHarness>(ModelHarness::Options{.setupCompleted = setupDone});
    // Stored as not finished, so a paired runtime with clients is not taken for an older installation.
    harness->preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, false);
    harness->serve(served);
    harness->server.setAnswer(u"/v1/pairing/link"_qs, linkAnswer());
    return harness;
}

// One row of the progress table: the runtime's state, then what the view shows.
struct Progress {
    bool setupDone = false;
    PairingStatus pairing = PairingStatus::Unpaired;
    int clients = 0;
    bool goBack = false;
    QStringList words;
    double bar = 0;
    QString pill;
};

} // namespace

class OnboardingViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { DashboardFixture::prepareApplication(); }

    // Save and Continue needs the runtime's answer and a name that is not blank;
    // Return presses it, and the model's failure shows under the form.
    void nameStepSavesOnReturn() {
        auto harness = harnessWith(false, snapshot(PairingStatus::Unpaired));
        harness->server.setAnswer(u"/v1/config/display-name"_qs, {500, "The name is taken.", {}});
        CompanionGuidedOnboardingView view(*harness->model);
        QPushButton* primary = view.guideStep()->footer()->primaryButton();
        QCOMPARE(primary->text(), u"Save and Continue"_qs);
        QTest::keyClicks(view.guideStep()->nameField(), u"Den"_qs);
        QVERIFY(!primary->isEnabled());
        QVERIFY(harness->refresh());
        const std::pair<QString, bool> names[] = {{u""_qs, false}, {u"   "_qs, false}, {u"Den"_qs, true}};
        for (const auto& [name, enabled] : names) {
            harness->model->setOnboardingDisplayNameDraft(name);
            QVERIFY2(primary->isEnabled() == enabled, qPrintable(name));
        }

        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QLineEdit* field = view.guideStep()->nameField();
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, u"Loft"_qs);
        QCOMPARE(harness->model->onboardingDisplayNameDraft(), u"Loft"_qs);
        QVERIFY(!view.guideStep()->errorLine()->isVisible());
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(view.guideStep()->errorLine()->isVisible());
        QCOMPARE(view.guideStep()->errorLine()->text(), u"The name is taken."_qs);
    }

    void pairingStepFollowsThePairing_data() {
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("secondary");
        QTest::newRow("unpaired") << PairingStatus::Unpaired << u"Start Pairing"_qs << true << QString();
        QTest::newRow("pending") << PairingStatus::Pending << u"Waiting for Approval"_qs << false
                                 << u"Cancel"_qs;
        QTest::newRow("paired") << PairingStatus::Paired << u"Continue"_qs << true << u"Unpair"_qs;
    }
    void pairingStepFollowsThePairing() {
        QFETCH(PairingStatus, pairing);
        QFETCH(QString, secondary);
        auto harness = harnessWith(true, snapshot(pairing));
        QVERIFY(harness->refresh());
        CompanionGuidedOnboardingView view(*harness->model);
        harness->model->setSelectedSection(DashboardSection::Pairing);
        view.show();
        CompanionStepFooter* footer = view.pairingStep()->footer();
        QCOMPARE(view.currentFooter(), footer);
        QTEST(footer->primaryButton()->text(), "primary");
        QTEST(footer->primaryButton()->isEnabled(), "enabled");
        QCOMPARE(footer->secondaryButton()->isVisible() ? footer->secondaryButton()->text() : QString(),
                 secondary);
        QVERIFY(footer->backButton()->isVisible());
    }

    // Row statuses are the dashboard's; here only Continue's rule.
    void clientsContinueNeedsOneClient_data() {
        QTest::addColumn<QList<ClientConfig>>("clients");
        QTest::newRow("none") << QList<ClientConfig>();
        QTest::newRow("one that failed its test") << QList{client(u"a"_qs, u"unknown"_qs, u"refused"_qs)};
        QTest::newRow("two") << QList{client(u"a"_qs, u"ok"_qs, {}), client(u"b"_qs, u"needs_login"_qs, {})};
    }
    void clientsContinueNeedsOneClient() {
        QFETCH(QList<ClientConfig>, clients);
        auto harness = harnessWith(true, snapshot(PairingStatus::Paired, clients));
        QVERIFY(harness->refresh());
        CompanionGuidedOnboardingView view(*harness->model);
        harness->model->setSelectedSection(DashboardSection::Clients);
        CompanionStepFooter* footer = view.clientsStep()->footer();
        QCOMPARE(footer->primaryButton()->text(), u"Continue"_qs);
        QCOMPARE(footer->primaryButton()->isEnabled(), !clients.isEmpty());
        QCOMPARE(view.clientsStep()->rows().size(), clients.size());
        footer->primaryButton()->click();
        QCOMPARE(harness->model->selectedSection(),
                 clients.isEmpty() ? DashboardSection::Clients : DashboardSection::Ready);
    }

    // completedSteps follows the runtime, the bar and the pill the step shown.
    void progressMarkersAndBar_data() {
        QTest::addColumn<Progress>("p");
        const QString done = u"Done"_qs, now = u"Now"_qs, next = u"Next"_qs;
        QTest::newRow("fresh start") << Progress{
            false, PairingStatus::Unpaired, 0, false, {now, next, next, next}, 0.25, u"Step 1 of 4"_qs};
        QTest::newRow("paired, adding clients") << Progress{
            true, PairingStatus::Paired, 0, false, {done, done, now, next}, 0.75, u"Step 3 of 4"_qs};
        QTest::newRow("back from clients to pairing") << Progress{
            true, PairingStatus::Paired, 0, true, {done, done, next, next}, 0.5, u"Step 2 of 4"_qs};
        QTest::newRow("all done on the ready step") << Progress{
            true, PairingStatus::Paired, 1, false, {done, done, done, done}, 1.0, u"Step 4 of 4"_qs};
    }
    void progressMarkersAndBar() {
        QFETCH(Progress, p);
        QList<ClientConfig> configured;
        for (int i = 0; i < p.clients; ++i) {
            configured.append(client(QString::number(i), u"ok"_qs, std::nullopt));
        }
        auto harness = harnessWith(p.setupDone, snapshot(p.pairing, configured));
        QVERIFY(harness->refresh());
        CompanionGuidedOnboardingView view(*harness->model);
        if (p.goBack) {
            harness->model->goToPreviousStep();
        }
        QCOMPARE(markerWords(*view.progressView()), p.words);
        QCOMPARE(view.progressView()->progressValue(), p.bar);
        QCOMPARE(view.stepPill()->title(), p.pill);
    }

    void readyTiles_data() {
        QTest::addColumn<bool>("runtimeAnswered");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("before the runtime answers")
            << false << QStringList{u"Starting"_qs, u"Offline"_qs, u"0"_qs, u"0"_qs};
        QTest::newRow("online") << true
                                << QStringList{u"Local And Relay Ready"_qs, u"Connected"_qs, u"3"_qs,
                                               u"2"_qs};
    }
    void readyTiles() {
        QFETCH(bool, runtimeAnswered);
        RuntimeSnapshot served = snapshot(PairingStatus::Paired);
        served.backendStatus.presenceState = PresenceState::Connected;
        auto harness = harnessWith(true, served);
        HealthSummary health = CannedRuntimeServer::health();
        health.clients.total = 3;
        health.clients.healthy = 2;
        harness->server.setAnswer(u"/v1/health"_qs, {200, WireCoding::encode(health), {}});
        if (runtimeAnswered) {
            QVERIFY(harness->refresh());
        }
        CompanionGuidedOnboardingView view(*harness->model);
        QStringList shown;
        for (const CompanionMetricTile* tile : view.readyStep()->tiles()) {
            shown.append(tile->value());
        }
        QTEST(shown, "values");
    }

    // Every step as the dashboard window shows it.
    void screenshots() {
        const QList<ClientConfig> clients{client(u"a"_qs, u"ok"_qs, std::nullopt),
                                          client(u"b"_qs, u"unknown"_qs, u"connection refused"_qs)};
        const struct {
            bool setupDone;
            RuntimeSnapshot served;
            DashboardSection section;
            QString name;
        } steps[] = {
            {false, snapshot(PairingStatus::Unpaired), DashboardSection::Guide, u"onboarding-1-guide"_qs},
            {true, snapshot(PairingStatus::Pending), DashboardSection::Pairing,
             u"onboarding-2-pairing-pending"_qs},
            {true, snapshot(PairingStatus::Unpaired), DashboardSection::Pairing,
             u"onboarding-2-pairing-start"_qs},
            {true, snapshot(PairingStatus::Paired), DashboardSection::Pairing,
             u"onboarding-2-pairing-paired"_qs},
            {true, snapshot(PairingStatus::Paired, clients), DashboardSection::Clients,
             u"onboarding-3-clients"_qs},
            {true, snapshot(PairingStatus::Paired), DashboardSection::Clients,
             u"onboarding-3-clients-empty"_qs},
            {true, snapshot(PairingStatus::Paired, clients), DashboardSection::Ready,
             u"onboarding-4-ready"_qs},
        };
        for (const auto& step : steps) {
            DashboardFixture fixture(ModelHarness::Options{.setupCompleted = step.setupDone});
            fixture.harness.preferences.setBool(CompanionPreferences::didCompleteGuidedExperienceKey, false);
            fixture.view.setGuidedOnboardingFactory([](CompanionAppModel& model, QWidget* parent) {
                return new CompanionGuidedOnboardingView(model, parent);
            });
            fixture.harness.server.setAnswer(u"/v1/pairing/link"_qs, linkAnswer());
            fixture.serveAndRefresh(step.served);
            fixture.show();
            fixture.model.setSelectedSection(step.section);
            QCOMPARE(UiTheme::saveLightAndDark(fixture.view, step.name, {960, 900}), 2);
        }
    }
};

QTEST_MAIN(OnboardingViewTest)
#include "tst_onboardingview.moc"
