#include "ModelHarness.h"
#include "runtime/WireCoding.h"
#include "supervision/CompanionPaths.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString missingRuntime = u"The bundled companion runtime was not found inside the app."_qs;

QByteArray encoded(const HealthSummary& health) {
    return WireCoding::encode(health);
}

} // namespace

class TestCompanionAppModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void refreshAppliesTheThreeAnswersInAFixedOrder() {
        ModelHarness harness;
        const auto snapshot = CannedRuntimeServer::snapshot();
        harness.server.serveHealthyRuntime(snapshot, CannedRuntimeServer::health());
        // The snapshot arrives last, yet is applied first.
        harness.server.setAnswer(u"/v1/runtime"_qs, {200, WireCoding::encode(snapshot), 60ms});

        QStringList order;
        auto& model = *harness.model;
        connect(&model, &CompanionAppModel::runtimeChanged, this, [&] { order << u"runtime"_qs; });
        connect(&model, &CompanionAppModel::healthChanged, this, [&] { order << u"health"_qs; });
        connect(&model, &CompanionAppModel::diagnosticsChanged, this, [&] { order << u"diagnostics"_qs; });
        connect(&model, &CompanionAppModel::lastUpdatedChanged, this, [&] { order << u"lastUpdated"_qs; });

        QVERIFY(harness.refresh());
        QCOMPARE(order, (QStringList{"runtime", "health", "diagnostics", "lastUpdated"}));
        QCOMPARE(model.runtime(), snapshot);
        QCOMPARE(model.health(), CannedRuntimeServer::health());
        QCOMPARE(model.diagnostics().size(), 1);
        QCOMPARE(model.displayNameDraft(), u"janes-box"_qs);
        QVERIFY(!model.isRefreshing());
        QCOMPARE(harness.server.count(u"/v1/diagnostics"_qs, u"limit=20"_qs), 1);
    }

    void snapshotFailureKeepsTheLastState_data() {
        QTest::addColumn<bool>("showErrors");
        QTest::addColumn<QString>("expectedError");
        QTest::newRow("errors shown") << true << u"Runtime is restarting"_qs;
        QTest::newRow("errors not shown") << false << u"earlier"_qs;
    }
    void snapshotFailureKeepsTheLastState() {
        QFETCH(bool, showErrors);
        QFETCH(QString, expectedError);
        ModelHarness harness;
        auto& model = *harness.model;
        harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health());
        QVERIFY(harness.refresh());
        const auto before =
            std::tuple(model.runtime(), model.health(), model.diagnostics(), model.lastUpdated());
        model.setErrorMessage(u"earlier"_qs);

        harness.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is restarting\n", {}});
        harness.server.setAnswer(
            u"/v1/health"_qs,
            {200, encoded(CannedRuntimeServer::health(CompanionHealthStatus::Degraded)), 80ms});
        QSignalSpy runtimeSpy(&model, &CompanionAppModel::runtimeChanged);
        QSignalSpy healthSpy(&model, &CompanionAppModel::healthChanged);
        QElapsedTimer clock;
        clock.start();

        QVERIFY(!harness.refresh(showErrors));
        // The health answer was awaited, then thrown away.
        QVERIFY(clock.elapsed() >= 70);
        QCOMPARE(std::tuple(model.runtime(), model.health(), model.diagnostics(), model.lastUpdated()),
                 before);
        QCOMPARE(model.errorMessage(), expectedError);
        QCOMPARE(runtimeSpy.count() + healthSpy.count(), 0);
        QVERIFY(!model.isRefreshing());
    }

    void failingHealthAndDiagnosticsKeepThePreviousValues() {
        ModelHarness harness;
        auto& model = *harness.model;
        harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health());
        QVERIFY(harness.refresh());
        const auto firstUpdate = *model.lastUpdated();
        model.setErrorMessage(u"stale"_qs);
        harness.server.setAnswer(u"/v1/health"_qs, {500, "broken", {}});
        harness.server.setAnswer(u"/v1/diagnostics"_qs, {200, "{not json", {}});
        QSignalSpy healthSpy(&model, &CompanionAppModel::healthChanged);
        QSignalSpy diagnosticsSpy(&model, &CompanionAppModel::diagnosticsChanged);

        QVERIFY(harness.refresh());
        QCOMPARE(model.health(), CannedRuntimeServer::health());
        QCOMPARE(model.diagnostics().size(), 1);
        QCOMPARE(healthSpy.count(), 1); // assigned again
        QCOMPARE(diagnosticsSpy.count(), 1);
        QCOMPARE(model.errorMessage(), std::nullopt);
        QVERIFY(*model.lastUpdated() >= firstUpdate);
    }

    void editingTheNameKeepsTheDraft() {
        ModelHarness harness;
        harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health());
        harness.model->setDisplayNameDraft(u"Living Room"_qs);
        harness.model->beginEditingDisplayName();
        QVERIFY(harness.refresh());
        QCOMPARE(harness.model->displayNameDraft(), u"Living Room"_qs);
    }

    void notificationRules() {
        ModelHarness harness;
        auto& model = *harness.model;
        harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health());
        int presentations = 0;
        std::optional<bool> storedWhenNotified;
        model.setStatusPresentationDidChange([&] {
            ++presentations;
            storedWhenNotified =
                harness.preferences.boolValue(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey);
        });

        // Records signal on every assignment, equal or not.
        std::vector<std::unique_ptr<QSignalSpy>> always;
        for (const auto signal :
             {&CompanionAppModel::runtimeChanged, &CompanionAppModel::healthChanged,
              &CompanionAppModel::diagnosticsChanged, &CompanionAppModel::pairingLinkChanged}) {
            always.push_back(std::make_unique<QSignalSpy>(&model, signal));
        }
        QSignalSpy nameSpy(&model, &CompanionAppModel::displayNameDraftChanged);
        QVERIFY(harness.refresh());
        QVERIFY(harness.refresh());
        for (const auto& spy : always) {
            QCOMPARE(spy->count(), 2);
        }
        QCOMPARE(nameSpy.count(), 1);

        // Comparable properties stay silent on an equal value; status ones still redraw.
        QSignalSpy errorSpy(&model, &CompanionAppModel::errorMessageChanged);
        QSignalSpy noticeSpy(&model, &CompanionAppModel::noticeMessageChanged);
        QSignalSpy sectionSpy(&model, &CompanionAppModel::selectedSectionChanged);
        presentations = 0;
        model.setErrorMessage(u"x"_qs);
        model.setErrorMessage(u"x"_qs);
        model.setNoticeMessage(u"y"_qs);
        model.setNoticeMessage(u"y"_qs);
        model.setSelectedSection(DashboardSection::Clients);
        model.setSelectedSection(DashboardSection::Clients);
        QCOMPARE(std::tuple(errorSpy.count(), noticeSpy.count(), sectionSpy.count(), presentations),
                 std::tuple(1, 1, 1, 4));

        // The preference is on disk before anyone hears of the change.
        model.setKeepRunningInMenuBarWhenQuitting(false);
        QCOMPARE(storedWhenNotified, false);
    }

    void noticeDismissal_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second"); // assigned 120 ms later; empty: nothing
        QTest::addColumn<bool>("dismissed");
        QTest::newRow("same notice again re-arms") << u"Saved."_qs << u"Saved."_qs << true;
        QTest::newRow("a new notice replaces the old") << u"Saved."_qs << u"Updated."_qs << true;
        QTest::newRow("spaces are never dismissed") << u"   "_qs << QString() << false;
    }
    void noticeDismissal() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, dismissed);
        ModelHarness harness; // notices live 200 ms
        auto& model = *harness.model;
        QElapsedTimer clock;
        clock.start();
        model.setNoticeMessage(first);
        QTest::qWait(120);
        if (!second.isEmpty()) {
            model.setNoticeMessage(second);
        }
        const QString expected = second.isEmpty() ? first : second;
        QTest::qWait(260 - static_cast<int>(clock.elapsed()));
        QCOMPARE(model.noticeMessage(), expected);
        if (dismissed) {
            QTRY_VERIFY_WITH_TIMEOUT(!model.noticeMessage(), 2000);
            QVERIFY(clock.elapsed() >= 310);
        } else {
            QTest::qWait(300);
            QCOMPARE(model.noticeMessage(), expected);
        }
    }

    void busyActionReportsItsFailure_data() {
        QTest::addColumn<std::optional<QString>>("thrown");
        QTest::addColumn<std::optional<QString>>("expectedError");
        QTest::newRow("success") << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("the error's own words, trimmed")
            << std::optional(u"  Disk full\n"_qs) << std::optional(u"Disk full"_qs);
        QTest::newRow("a blank error gives the action's sentence")
            << std::optional(u" \n"_qs) << std::optional(u"Could not do it."_qs);
    }
    void busyActionReportsItsFailure() {
        QFETCH(std::optional<QString>, thrown);
        QFETCH(std::optional<QString>, expectedError);
        ModelHarness harness;
        auto& model = *harness.model;
        model.setErrorMessage(u"old error"_qs);
        model.setNoticeMessage(u"old notice"_qs);
        QSignalSpy busySpy(&model, &CompanionAppModel::isBusyChanged);
        bool sawClearedState = false;

        QCoro::waitFor(model.performBusyAction(u"Could not do it."_qs, [&]() -> QCoro::Task<> {
            sawClearedState = model.isBusy() && !model.errorMessage() && !model.noticeMessage();
            co_await continuousSleep(1ms);
            if (thrown) {
                throw PlatformError(*thrown);
            }
        }));
        QVERIFY(sawClearedState);
        QCOMPARE(model.errorMessage(), expectedError);
        QCOMPARE(busySpy.count(), 2);
        QVERIFY(!model.isBusy());
    }

    void userActionsEndInANoticeOrTheControllersError_data() {
        QTest::addColumn<bool>("restart");
        QTest::addColumn<bool>("runtimeAnswers");
        QTest::addColumn<std::optional<QString>>("notice");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::newRow("toolbar refresh")
            << false << true << std::optional(u"Companion status refreshed."_qs) << std::optional<QString>();
        QTest::newRow("toolbar refresh, runtime missing")
            << false << false << std::optional<QString>() << std::optional(missingRuntime);
        QTest::newRow("restart") << true << true
                                 << std::optional(u"The bundled companion runtime restarted."_qs)
                                 << std::optional<QString>();
        QTest::newRow("restart, runtime missing")
            << true << false << std::optional<QString>() << std::optional(missingRuntime);
    }
    void userActionsEndInANoticeOrTheControllersError() {
        QFETCH(bool, restart);
        QFETCH(bool, runtimeAnswers);
        QFETCH(std::optional<QString>, notice);
        QFETCH(std::optional<QString>, error);
        ModelHarness harness;
        if (runtimeAnswers) {
            harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(),
                                               CannedRuntimeServer::health());
        }
        auto& model = *harness.model;
        QCoro::waitFor(restart ? model.restartCompanion() : model.refreshFromToolbar());
        QCOMPARE(model.noticeMessage(), notice);
        QCOMPARE(model.errorMessage(), error);
        QCOMPARE(model.runtime().has_value(), runtimeAnswers);
        QVERIFY(!model.isBusy());
    }

    void startUpRunsOnceAndItsLoopsRunDespiteAMissingRuntime() {
        auto options = ModelHarness::Options{};
        options.settings.refreshInterval = 30ms;
        ModelHarness harness(options);
        auto& model = *harness.model;
        harness.server.setAnswer(u"/v1/runtime"_qs, {503, "runtime unavailable", {}});
        QStringList errors;
        connect(&model, &CompanionAppModel::errorMessageChanged, this,
                [&] { errors << model.errorMessage().value_or(u"-"_qs); });

        model.startIfNeeded();
        model.startIfNeeded();
        QVERIFY(model.isBusy());
        QTRY_VERIFY(errors.contains(u"runtime unavailable"_qs));
        QCOMPARE(errors.first(), missingRuntime);
        QVERIFY(!model.isBusy());
        QCOMPARE(harness.server.count(u"/healthz"_qs), 1);

        // Shutdown ends the loop (one last round may still run) and happens once.
        QCoro::waitFor(model.shutdown());
        const int refreshes = harness.server.count(u"/v1/runtime"_qs);
        QTest::qWait(200);
        QVERIFY(harness.server.count(u"/v1/runtime"_qs) <= refreshes + 1);
        QCoro::waitFor(model.shutdown());
    }

    void revealAndFullTerminationGoThroughTheirSeams() {
        ModelHarness harness;
        int terminations = 0;
        harness.model->setFullTerminationHandler([&] { ++terminations; });
        harness.model->revealLogs();
        harness.model->revealDataDirectory();
        harness.model->requestFullTermination();
        QCOMPARE(harness.platform.revealed,
                 (QStringList{CompanionPaths::runtimeLog(), CompanionPaths::runtimeDataDirectory()}));
        QCOMPARE(terminations, 1);
    }

    void discardingTheModelWhileWorkIsPendingIsSafe() {
        auto options = ModelHarness::Options{};
        options.settings.refreshInterval = 10ms;
        ModelHarness harness(options);
        harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health());
        harness.server.setAnswer(u"/v1/health"_qs, {200, encoded(CannedRuntimeServer::health()), 100ms});
        auto pending = harness.model->refresh(true);
        harness.model->scheduleRefreshLoop();
        harness.model->setNoticeMessage(u"Saved."_qs);
        QTest::qWait(30);
        harness.model.reset();
        QTest::qWait(150);
        QVERIFY(pending.isReady());
    }
};

QTEST_GUILESS_MAIN(TestCompanionAppModel)
#include "tst_companionappmodel.moc"
