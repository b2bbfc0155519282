#include "ModelHarness.h"
#include "common/ContinuousSleep.h"
#include "model/ClientListModel.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;
using OptionalText = std::optional<QString>;
using OptionalSection = std::optional<DashboardSection>;

class TestCompanionAppModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    // Failed health and diagnostics keep their last values; a failed snapshot cancels
    // the other two requests, keeps everything and reports only when asked to.
    void failedAnswersKeepTheLastState_data() {
        QTest::addColumn<bool>("showErrors");
        QTest::addColumn<OptionalText>("expectedError");
        QTest::newRow("errors shown") << true << OptionalText(u"Runtime is restarting"_qs);
        QTest::newRow("errors not shown") << false << OptionalText(u"earlier"_qs);
    }
    void failedAnswersKeepTheLastState() {
        QFETCH(bool, showErrors);
        // Only a cancelled request ends early.
        ModelHarness harness(ModelHarness::adjusted({}, [](auto& settings) { settings.apiTimeout = 1h; }));
        auto& model = *harness.model;
        harness.serve();
        QVERIFY(harness.refresh());
        const auto state = [&] { return std::tuple(model.runtime(), model.health(), model.diagnostics()); };
        const auto first = state();
        const auto firstUpdate = *model.lastUpdated();
        model.setErrorMessage(u"stale"_qs);
        harness.server.setAnswer(u"/v1/health"_qs, {500, "broken", {}});
        harness.server.setAnswer(u"/v1/diagnostics"_qs, {200, "{not json", {}});
        recordSignals(model);
        QVERIFY(harness.refresh());
        QCOMPARE(state(), first);
        m_signalled.removeAll(u"lastUpdated"_qs); // sent only when the clock moved on
        QCOMPARE(m_signalled,
                 (QStringList{"runtime", "health", "diagnostics", "pairingLink"})); // assigned again
        QCOMPARE(model.errorMessage(), std::nullopt);
        QVERIFY(*model.lastUpdated() >= firstUpdate);

        const auto lastUpdated = model.lastUpdated();
        model.setErrorMessage(u"earlier"_qs);
        harness.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is restarting\n", {}});
        harness.server.setAnswer(
            u"/v1/health"_qs,
            {200, WireCoding::encode(CannedRuntimeServer::health(CompanionHealthStatus::Degraded)), 1h});
        m_signalled.clear();
        QVERIFY(!harness.refresh(showErrors)); // not an hour later
        QCOMPARE(std::tuple(state(), model.lastUpdated()), std::tuple(first, lastUpdated));
        QTEST(model.errorMessage(), "expectedError");
        QCOMPARE(std::tuple(m_signalled, model.isRefreshing()), std::tuple(QStringList(), false));
    }

    // A refresh asked for while one runs waits for it, then runs once for all who asked:
    // an older answer arriving late never replaces a newer one.
    void refreshesRunOneAtATime() {
        ModelHarness harness(ModelHarness::adjusted({}, [](auto& settings) { settings.apiTimeout = 1h; }));
        auto& model = *harness.model;
        harness.serve();
        const auto answer = [](const QString& name, std::chrono::milliseconds delay) {
            RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot();
            snapshot.identity.displayName = name;
            return CannedRuntimeServer::Answer{200, WireCoding::encode(snapshot), delay};
        };
        harness.server.setAnswer(u"/v1/runtime"_qs, answer(u"Older"_qs, 2s));
        QSignalSpy refreshing(&model, &CompanionAppModel::isRefreshingChanged);
        auto first = model.refresh(false);
        QTRY_COMPARE(harness.server.count(u"/v1/runtime"_qs), 1);
        harness.server.setAnswer(u"/v1/runtime"_qs, answer(u"Newer"_qs, 0ms));
        auto second = model.refresh(false);
        auto third = model.refresh(true);
        for (auto* task : {&first, &second, &third}) {
            QCoro::waitFor(std::move(*task));
        }
        QCOMPARE(model.runtime()->identity.displayName, u"Newer"_qs);
        QCOMPARE(harness.server.count(u"/v1/runtime"_qs), 2);
        QCOMPARE(refreshing.count(), 2); // on once, off once
        QVERIFY(!model.isRefreshing());
    }

    // Start-up runs once however often it is asked for, is busy until it ends, and
    // starts the refresh loop even when the runtime could not be started.
    void startUpRunsOnceAndAlwaysStartsTheLoop_data() {
        QTest::addColumn<bool>("runtimeAnswers");
        QTest::addColumn<OptionalText>("error");
        QTest::newRow("runtime answers") << true << OptionalText();
        QTest::newRow("no runtime") << false
                                    << OptionalText(
                                           u"The bundled companion runtime was not found inside the app."_qs);
    }
    void startUpRunsOnceAndAlwaysStartsTheLoop() {
        QFETCH(bool, runtimeAnswers);
        ModelHarness harness(
            ModelHarness::adjusted({}, [](auto& settings) { settings.refreshInterval = 200ms; }));
        auto& model = *harness.model;
        if (runtimeAnswers) {
            harness.serve();
        }
        std::optional<int> refreshesWhenDone;
        connect(&model, &CompanionAppModel::isBusyChanged, this, [&] {
            if (!model.isBusy()) {
                refreshesWhenDone = harness.server.count(u"/v1/diagnostics"_qs, u"limit=20"_qs);
            }
        });
        model.startIfNeeded();
        model.startIfNeeded();
        QVERIFY(model.isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(refreshesWhenDone, 30000);
        QCOMPARE(*refreshesWhenDone, runtimeAnswers ? 1 : 0);
        QTEST(model.errorMessage(), "error");
        harness.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is gone", {}});
        QTRY_COMPARE(model.errorMessage(), OptionalText(u"Runtime is gone"_qs));
    }

    // The loop's first refresh comes a full interval after it starts, and its failures
    // show although it refreshes quietly. The runtime ending on its own shows at once,
    // not at the next round. Cut short in its sleep, the loop refreshes once more; a
    // second shutdown does nothing.
    void refreshLoopAndShutdown() {
        ModelHarness harness(
            ModelHarness::adjusted({}, [](auto& settings) { settings.refreshInterval = 300ms; }));
        harness.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is gone", {}});
        QElapsedTimer clock;
        clock.start();
        harness.model->scheduleRefreshLoop();
        QTRY_COMPARE(harness.model->errorMessage(), OptionalText(u"Runtime is gone"_qs));
        QVERIFY(clock.elapsed() >= 300);

        ModelHarness idle; // the loop waits an hour
        auto& model = *idle.model;
        idle.serve();
        model.startIfNeeded();
        QTRY_VERIFY(!model.isBusy());
        idle.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is gone", {}});
        Q_EMIT idle.processController.ownedRuntimeExited();
        QTRY_COMPARE(model.errorMessage(), OptionalText(u"Runtime is gone"_qs));
        idle.server.setAnswer(u"/v1/runtime"_qs, {503, "Runtime is still gone", {}});
        const int refreshes = idle.server.count(u"/v1/runtime"_qs);
        QCoro::waitFor(model.shutdown());
        QTRY_COMPARE(model.errorMessage(), OptionalText(u"Runtime is still gone"_qs));
        model.scheduleRefreshLoop();
        QCoro::waitFor(model.shutdown());
        QTest::qWait(200);
        QCOMPARE(idle.server.count(u"/v1/runtime"_qs), refreshes + 1);
    }

    // A refresh applies its three answers in a fixed order: the snapshot, arriving
    // last, first. Records signal on every assignment, other properties only on a change.
    void refreshOrderAndNotificationRules() {
        ModelHarness harness;
        auto& model = *harness.model;
        harness.serve();
        harness.server.setAnswer(u"/v1/runtime"_qs,
                                 {200, WireCoding::encode(CannedRuntimeServer::snapshot()), 60ms});
        recordSignals(model);
        int presentations = 0;
        std::optional<bool> storedWhenNotified;
        connect(&model, &CompanionAppModel::statusPresentationDidChange, this, [&] {
            ++presentations;
            storedWhenNotified =
                harness.preferences.boolValue(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey);
        });

        // The feed is not served: the silent release check leaves a trace in the log.
        QTest::ignoreMessage(QtInfoMsg, "Release check failed: The release manifest could not be loaded.");
        QVERIFY(harness.refresh());
        QCOMPARE(m_signalled, (QStringList{"runtime", "health", "diagnostics", "lastUpdated",
                                           "displayNameDraft", "pairingLink"}));
        QCOMPARE(std::tuple(model.runtime(), model.health(), model.diagnostics().size()),
                 std::tuple(CannedRuntimeServer::snapshot(), CannedRuntimeServer::health(), 1));
        QCOMPARE(harness.server.count(u"/v1/diagnostics"_qs, u"limit=20"_qs), 1);
        m_signalled.clear();
        QVERIFY(harness.refresh());
        m_signalled.removeAll(u"lastUpdated"_qs); // sent only when the clock moved on
        QCOMPARE(m_signalled, (QStringList{"runtime", "health", "diagnostics", "pairingLink"}));

        // Comparable properties stay silent on an equal value; status ones still redraw.
        QSignalSpy errorSpy(&model, &CompanionAppModel::errorMessageChanged);
        QSignalSpy noticeSpy(&model, &CompanionAppModel::noticeMessageChanged);
        QSignalSpy sectionSpy(&model, &CompanionAppModel::selectedSectionChanged);
        presentations = 0;
        for (int i = 0; i < 2; ++i) {
            model.setErrorMessage(u"x"_qs);
            model.setNoticeMessage(u"y"_qs);
            model.setSelectedSection(DashboardSection::Clients);
        }
        QCOMPARE(std::tuple(errorSpy.count(), noticeSpy.count(), sectionSpy.count(), presentations),
                 std::tuple(1, 1, 1, 4));

        // The preference is on disk before anyone hears of the change.
        model.setKeepRunningInMenuBarWhenQuitting(false);
        QCOMPARE(storedWhenNotified, false);
    }

    // Rows follow their ids across refreshes, so a view keeps its selection.
    void clientRowsAreDiffedById() {
        ModelHarness harness;
        const auto client = &CannedRuntimeServer::client;
        const auto serveClients = [&](QList<ClientConfig> clients) {
            RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot();
            snapshot.clients = std::move(clients);
            harness.serve(snapshot);
            QVERIFY(harness.refresh());
        };
        ClientListModel rows(*harness.model);
        const QList<ClientConfig> first{client(u"a"_qs, u"Alpha"_qs, 8080),
                                        client(u"b"_qs, u"Bravo"_qs, 8080),
                                        client(u"c"_qs, u"Charlie"_qs, 8080)};
        serveClients(first);
        const QPersistentModelIndex charlie = rows.index(2);
        QSignalSpy resets(&rows, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&rows, &QAbstractItemModel::dataChanged);
        QSignalSpy inserts(&rows, &QAbstractItemModel::rowsInserted);
        QSignalSpy removals(&rows, &QAbstractItemModel::rowsRemoved);

        serveClients(first);
        QCOMPARE(changes.count() + inserts.count() + removals.count(), 0);

        // Alpha renamed to sort last, Bravo gone, Delta new, Charlie edited.
        serveClients({client(u"a"_qs, u"Zulu"_qs, 8080), client(u"c"_qs, u"Charlie"_qs, 9091),
                      client(u"d"_qs, u"Delta"_qs, 8080)});
        QStringList order;
        for (int row = 0; row < rows.rowCount(); ++row) {
            order << rows.data(rows.index(row), IdKeyedListModel::IdRole).toString();
        }
        QCOMPARE(order, (QStringList{u"c"_qs, u"d"_qs, u"a"_qs}));
        QCOMPARE(charlie.row(), 0);
        QCOMPARE(rows.clientAt(0).port, 9091);
        QCOMPARE(std::tuple(resets.count(), removals.count(), inserts.count()), std::tuple(0, 1, 1));
    }

    // Only lower time bounds: a notice is never dismissed before its full lifetime
    // after its last assignment.
    void noticeDismissal_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second"); // assigned 100 ms later; empty: nothing
        QTest::addColumn<bool>("dismissed");
        QTest::newRow("same notice again re-arms") << u"Saved."_qs << u"Saved."_qs << true;
        QTest::newRow("a new notice replaces the old") << u"Saved."_qs << u"Updated."_qs << true;
        QTest::newRow("spaces are never dismissed") << u"   "_qs << QString() << false;
    }
    void noticeDismissal() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, dismissed);
        ModelHarness harness(
            ModelHarness::adjusted({}, [](auto& settings) { settings.noticeLifetime = 1s; }));
        auto& model = *harness.model;
        QElapsedTimer clock;
        clock.start();
        std::optional<qint64> clearedAt;
        connect(&model, &CompanionAppModel::noticeMessageChanged, this, [&] {
            if (!model.noticeMessage()) {
                clearedAt = clock.elapsed();
            }
        });
        model.setNoticeMessage(first);
        QTest::qWait(100);
        qint64 lastAssigned = 0;
        if (!second.isEmpty()) {
            clearedAt.reset(); // a stalled machine may have let the first one go already
            lastAssigned = clock.elapsed();
            model.setNoticeMessage(second);
        }
        if (dismissed) {
            QTRY_VERIFY_WITH_TIMEOUT(clearedAt, 5000);
            QVERIFY2(*clearedAt >= lastAssigned + 1000, QByteArray::number(*clearedAt - lastAssigned));
        } else {
            QTest::qWait(1500);
            QCOMPARE(model.noticeMessage(), first);
        }
    }

    // While overlapping actions run the model is busy and shows no old message; a
    // failure shows the error's own words, else the action's sentence.
    void busyActionReportsItsFailure_data() {
        QTest::addColumn<OptionalText>("thrown");
        QTest::addColumn<OptionalText>("expectedError");
        QTest::newRow("success") << OptionalText() << OptionalText();
        QTest::newRow("the error's own words, trimmed")
            << OptionalText(u"  Disk full\n"_qs) << OptionalText(u"Disk full"_qs);
        QTest::newRow("a blank error gives the action's sentence")
            << OptionalText(u" \n"_qs) << OptionalText(u"Could not do it."_qs);
    }
    void busyActionReportsItsFailure() {
        QFETCH(OptionalText, thrown);
        ModelHarness harness;
        auto& model = *harness.model;
        model.setErrorMessage(u"old error"_qs);
        model.setNoticeMessage(u"old notice"_qs);
        QSignalSpy busySpy(&model, &CompanionAppModel::isBusyChanged);
        bool sawClearedState = false;
        SleepCanceller release;
        auto action = model.performBusyAction(u"Could not do it."_qs, [&]() -> QCoro::Task<> {
            sawClearedState = model.isBusy() && !model.errorMessage() && !model.noticeMessage();
            co_await continuousSleep(1h, &release);
            if (thrown) {
                throw PlatformError(*thrown);
            }
        });
        QCoro::waitFor(model.performBusyAction(u"quick"_qs, []() -> QCoro::Task<> { co_return; }));
        QVERIFY(sawClearedState && model.isBusy());
        release.cancel();
        QCoro::waitFor(std::move(action));
        QTEST(model.errorMessage(), "expectedError");
        QCOMPARE(std::tuple(busySpy.count(), model.isBusy()), std::tuple(2, false));
    }

    // Each user action sends its request, refreshes and tells the user; a refused
    // request shows the runtime's words, skips the refresh and keeps the client editor's
    // input. Deleting and testing one client run against the real runtime elsewhere.
    void userActionsSendTheirRequestThenRefresh_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("nameDraft");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<OptionalText>("notice");
        QTest::addColumn<OptionalSection>("section");
        const auto row = [](const char* name, const QString& action, const QString& path,
                            const QJsonObject& body, const char* notice, OptionalSection section = {},
                            const QString& nameDraft = {}) {
            QTest::newRow(name) << action << nameDraft << path << body
                                << (notice ? OptionalText(QString::fromUtf8(notice)) : std::nullopt)
                                << section;
        };
        const char* scan =
            "Scan the QR code in Vendrilo on Android or open the pairing link from your phone.";
        using enum DashboardSection;
        row("begin pairing", u"begin"_qs, u"/v1/pairing/begin"_qs, {{"display_name", "Den"}}, scan, Pairing,
            u"  Den \n"_qs);
        row("begin pairing, blank name sends none", u"begin"_qs, u"/v1/pairing/begin"_qs, {}, scan, Pairing,
            u"   "_qs);
        row("cancel pairing", u"cancel"_qs, u"/v1/pairing/reset"_qs, {{"reason", "macos_app_cancel_pairing"}},
            nullptr);
        row("unpair", u"reset"_qs, u"/v1/pairing/reset"_qs, {{"reason", "macos_app_reset"}},
            "The companion was unpaired. Pair again from Vendrilo on Android when you are ready.", Pairing);
        row("save client", u"save"_qs, u"/v1/clients/save"_qs, {{"id", "c7"}, {"label", "Seedbox 2"}},
            "Torrent client saved.", Clients);
        row("test all clients", u"probeAll"_qs, u"/v1/clients/probe"_qs, {},
            "All configured clients were tested.");
        // The runtime refusing its health check means starting the (here missing) bundled one.
        row("toolbar refresh", u"refresh"_qs, u"/healthz"_qs, {}, "Companion status refreshed.");
        row("restart", u"restart"_qs, u"/healthz"_qs, {}, "The bundled companion runtime restarted.");
    }
    void userActionsSendTheirRequestThenRefresh() {
        QFETCH(QString, action);
        QFETCH(QString, nameDraft);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(OptionalSection, section);
        ModelHarness harness({.setupCompleted = true});
        auto& model = *harness.model;
        const ClientConfig seedbox = CannedRuntimeServer::client(u"c7"_qs, u"Seedbox"_qs, 8080);
        RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
        snapshot.clients = {seedbox};
        harness.serve(snapshot);
        harness.server.setAnswer(u"/v1/pairing/begin"_qs, {200, R"({"status":"pending"})", {}});
        harness.server.setAnswer(u"/v1/pairing/reset"_qs, {200, R"({"status":"unpaired"})", {}});
        harness.server.setAnswer(u"/v1/clients/save"_qs, {200, WireCoding::encode(seedbox), {}});
        harness.server.setAnswer(u"/v1/clients/probe"_qs, {200, "[]", {}});
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(nameDraft);
        ClientDraft draft = ClientDraft::fromClient(seedbox);
        draft.label = u" Seedbox 2 "_qs;
        const auto run = [&] {
            model.setClientDraft(draft);
            return action == u"begin"      ? model.beginPairing()
                   : action == u"cancel"   ? model.cancelPairing()
                   : action == u"reset"    ? model.resetPairing()
                   : action == u"save"     ? model.saveClientDraft(draft)
                   : action == u"probeAll" ? model.probeAllClients()
                   : action == u"refresh"  ? model.refreshFromToolbar()
                                           : model.restartCompanion();
        };

        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), std::nullopt);
        QTEST(model.noticeMessage(), "notice");
        const qsizetype sentAt = harness.server.lastIndexOf(path);
        QJsonObject sent = harness.server.lastBody(path);
        if (action == u"save") {
            sent = {{u"id"_qs, sent[u"id"]}, {u"label"_qs, sent[u"label"]}};
            QCOMPARE(model.clientDraft(), std::nullopt);
        }
        QCOMPARE(sent, body);
        QVERIFY(sentAt >= 0 && harness.server.lastIndexOf(u"/v1/runtime"_qs) > sentAt);
        if (section) {
            QCOMPARE(model.selectedSection(), *section);
        }
        // Local clients need no local-network access, so nothing else restarted the runtime.
        QCOMPARE(harness.server.count(u"/healthz"_qs) > 0, path == u"/healthz");

        harness.server.setAnswer(path, {409, "Refused.", {}});
        const qsizetype failedAt = harness.server.requests().size();
        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), path == u"/healthz"
                                           ? u"The bundled companion runtime was not found inside the app."_qs
                                           : u"Refused."_qs);
        QVERIFY(harness.server.lastIndexOf(u"/v1/runtime"_qs) < failedAt);
        QCOMPARE(std::tuple(model.clientDraft(), model.isBusy()), std::tuple(std::optional(draft), false));
    }

    void discardingTheModelWhileWorkIsPendingIsSafe() {
        ModelHarness harness(
            ModelHarness::adjusted({}, [](auto& settings) { settings.refreshInterval = 10ms; }));
        harness.serve();
        harness.server.setAnswer(u"/v1/health"_qs,
                                 {200, WireCoding::encode(CannedRuntimeServer::health()), 100ms});
        auto pending = harness.model->refresh(true);
        harness.model->scheduleRefreshLoop();
        harness.model->setNoticeMessage(u"Saved."_qs);
        QTest::qWait(30);
        harness.model.reset();
        QTRY_VERIFY(pending.isReady());
    }

private:
    // From now on names the refresh's record signals in m_signalled, in the order they come.
    void recordSignals(CompanionAppModel& model) {
        const std::pair<void (CompanionAppModel::*)(), QString> named[] = {
            {&CompanionAppModel::runtimeChanged, u"runtime"_qs},
            {&CompanionAppModel::healthChanged, u"health"_qs},
            {&CompanionAppModel::diagnosticsChanged, u"diagnostics"_qs},
            {&CompanionAppModel::lastUpdatedChanged, u"lastUpdated"_qs},
            {&CompanionAppModel::displayNameDraftChanged, u"displayNameDraft"_qs},
            {&CompanionAppModel::pairingLinkChanged, u"pairingLink"_qs}};
        m_signalled.clear();
        for (const auto& [signal, name] : named) {
            connect(&model, signal, this, [this, name] { m_signalled << name; });
        }
    }

    QStringList m_signalled;
};

QTEST_GUILESS_MAIN(TestCompanionAppModel)
#include "tst_companionappmodel.moc"
