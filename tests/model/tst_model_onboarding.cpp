#include "ModelHarness.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

using OptionalSection = std::optional<DashboardSection>;

namespace {

const QString identifier = u"app.vendrilo.connect.tests"_qs;
const QLatin1String guidedKey = CompanionPreferences::didCompleteGuidedExperienceKey;
const QString renamePath = u"/v1/config/display-name"_qs;

// The runtime reports this state from now on; false when the refresh after it failed.
bool serveAndRefresh(ModelHarness& harness, PairingStatus pairing, int clients,
                     const QString& name = u"Living Room"_qs) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(pairing);
    snapshot.identity.displayName = name;
    for (int i = 0; i < clients; ++i) {
        snapshot.clients.append(CannedRuntimeServer::client(QString::number(i), u"NAS"_qs, 8080));
    }
    harness.serve(snapshot);
    harness.server.setAnswer(renamePath, {200, R"({"ok":true})", {}});
    return harness.refresh();
}

QString autostartEntry() {
    return QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) + u"/autostart/"_qs + identifier +
           u".desktop"_qs;
}

} // namespace

class TestModelOnboarding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        QVERIFY(QDir().mkpath(m_applications.filePath(u"Applications/Vendrilo Connect.app"_qs)));
    }
    void cleanup() { QFile::remove(autostartEntry()); }

    // Without a chosen step the first refresh picks the target step; later
    // refreshes move the user only where the table says.
    void stepTable_data() {
        QTest::addColumn<OptionalSection>("chosen");
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<bool>("guidedDone");
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<int>("clients");
        QTest::addColumn<DashboardSection>("expected");
        QTest::addColumn<int>("steps"); // completedSteps
        const auto row = [](const char* name, OptionalSection chosen, bool setupDone, bool guidedDone,
                            PairingStatus pairing, int clients, DashboardSection expected, int steps) {
            QTest::newRow(name) << chosen << setupDone << guidedDone << pairing << clients << expected
                                << steps;
        };
        using enum DashboardSection;
        using enum PairingStatus;
        row("first: setup not done", {}, false, false, Paired, 1, Guide, 2);
        row("first: unpaired", {}, true, false, Unpaired, 1, Pairing, 2);
        row("first: pending", {}, true, false, Pending, 0, Pairing, 1);
        row("first: paired with a client", {}, true, false, Paired, 1, Ready, 4);
        row("first: paired, no client", {}, true, false, Paired, 0, Clients, 2);
        row("guide moves on once set up", Guide, true, false, Paired, 1, Ready, 4);
        row("a completed pairing does not move on", Pairing, true, false, Paired, 0, Pairing, 2);
        row("a lost pairing goes back", Clients, true, false, Unpaired, 1, Pairing, 2);
        row("clients stays while paired", Clients, true, false, Paired, 1, Clients, 4);
        row("ready without clients goes back", Ready, true, false, Paired, 0, Clients, 2);
        row("a finished guide never moves", Clients, true, true, Unpaired, 0, Clients, 1);
    }
    void stepTable() {
        QFETCH(OptionalSection, chosen);
        QFETCH(bool, setupDone);
        QFETCH(bool, guidedDone);
        QFETCH(PairingStatus, pairing);
        QFETCH(int, clients);
        ModelHarness harness({.setupCompleted = setupDone, .guidedExperienceCompleted = guidedDone});
        harness.preferences.setBool(guidedKey, guidedDone); // stored false: no migration
        if (chosen) {
            QVERIFY(serveAndRefresh(harness, PairingStatus::Pending, 0));
            harness.model->setSelectedSection(*chosen);
        }
        QVERIFY(serveAndRefresh(harness, pairing, clients));
        QTEST(harness.model->selectedSection(), "expected");
        QTEST(harness.model->completedSteps(), "steps");
    }

    // The guide is skipped once for installations finished before it existed.
    void migrationKeysOnTheStoredValuesAbsence_data() {
        QTest::addColumn<std::optional<bool>>("stored");
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("nothing stored") << std::optional<bool>() << true << 1 << true;
        QTest::newRow("stored false") << std::optional<bool>(false) << true << 1 << false;
        QTest::newRow("setup not done") << std::optional<bool>() << false << 1 << false;
        QTest::newRow("no client yet") << std::optional<bool>() << true << 0 << false;
    }
    void migrationKeysOnTheStoredValuesAbsence() {
        QFETCH(std::optional<bool>, stored);
        QFETCH(bool, setupDone);
        QFETCH(int, clients);
        QFETCH(bool, skipped);
        ModelHarness harness({.setupCompleted = setupDone});
        if (stored) {
            harness.preferences.setBool(guidedKey, *stored);
        }
        QVERIFY(serveAndRefresh(harness, PairingStatus::Paired, clients));
        QCOMPARE(harness.model->hasCompletedGuidedExperience(), skipped);
        QCOMPARE(harness.preferences.boolValue(guidedKey), skipped ? std::optional(true) : stored);
    }

    // The guide suggests the computer name for a host name, seeded from the first snapshot only.
    void theGuideSuggestsTheComputerNameOnce() {
        ModelHarness harness;
        QVERIFY(serveAndRefresh(harness, PairingStatus::Unpaired, 0, u"Janes-Box.local"_qs));
        QCOMPARE(harness.model->onboardingDisplayNameDraft(), u"Study Computer"_qs);
        QVERIFY(serveAndRefresh(harness, PairingStatus::Unpaired, 0, u"Attic"_qs));
        QCOMPARE(harness.model->onboardingDisplayNameDraft(), u"Study Computer"_qs);
    }

    // Only what changed is sent: an unchanged name sends no rename, an unchanged
    // login choice leaves the login item alone. Failures stay inside the guide.
    void completingTheGuide_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("launchAtLogin");
        QTest::addColumn<bool>("inApplications");
        QTest::addColumn<QString>("failure"); // empty: the guide completes
        QTest::newRow("nothing changed") << u" Living Room "_qs << false << true << QString();
        QTest::newRow("new name") << u"Den"_qs << false << true << QString();
        QTest::newRow("start at login") << u"Living Room"_qs << true << true << QString();
        QTest::newRow("blank name") << u" \n"_qs << true << true
                                    << u"Enter a companion name before continuing."_qs;
        QTest::newRow("runtime refuses the name")
            << u"Too Long"_qs << false << true << u"Name is too long."_qs;
        QTest::newRow("login item refused")
            << u"Living Room"_qs << true << false
            << u"Move the app into Applications before enabling start at login."_qs;
    }
    void completingTheGuide() {
        QFETCH(QString, name);
        QFETCH(bool, launchAtLogin);
        QFETCH(bool, inApplications);
        QFETCH(QString, failure);
        ModelHarness harness(withBundle(inApplications));
        auto& model = *harness.model;
        QVERIFY(serveAndRefresh(harness, PairingStatus::Unpaired, 0));
        if (name == u"Too Long") {
            harness.server.setAnswer(renamePath, {400, "Name is too long.", {}});
        }
        QCOMPARE(model.onboardingDisplayNameDraft(), u"Living Room"_qs); // a chosen name is kept
        model.setOnboardingDisplayNameDraft(name);
        model.setOnboardingLaunchAtLoginEnabled(launchAtLogin);
        model.setErrorMessage(u"earlier"_qs);

        QCoro::waitFor(model.completeOnboarding());
        const QString trimmed = name.trimmed();
        const bool renamed = !trimmed.isEmpty() && trimmed != u"Living Room";
        QCOMPARE(harness.server.count(renamePath), renamed ? 1 : 0);
        QCOMPARE(harness.server.lastBody(renamePath),
                 (renamed ? QJsonObject{{u"name"_qs, trimmed}} : QJsonObject()));
        const bool done = failure.isEmpty();
        QCOMPARE(model.onboardingErrorMessage(), done ? std::nullopt : std::optional(failure));
        QCOMPARE(model.errorMessage(), trimmed.isEmpty() ? std::optional(u"earlier"_qs) : std::nullopt);
        QCOMPARE(std::tuple(QFile::exists(autostartEntry()), model.launchAtLoginEnabled()),
                 std::tuple(done && launchAtLogin, done && launchAtLogin));
        QCOMPARE(std::tuple(model.showOnboarding(), model.isCompletingOnboarding()),
                 std::tuple(!done, false));
        const auto setupKey = CompanionPreferences::didCompleteInitialSetupKey;
        QCOMPARE(std::tuple(harness.preferences.hasValue(setupKey), harness.preferences.boolValue(setupKey)),
                 std::tuple(done, done ? std::optional(true) : std::nullopt));
        if (done) {
            QCOMPARE(std::tuple(model.selectedSection(), model.displayNameDraft(), model.noticeMessage()),
                     std::tuple(DashboardSection::Pairing, trimmed,
                                std::optional(
                                    u"Setup saved. You can pair this Mac from Vendrilo on Android now."_qs)));
        } else {
            QVERIFY(harness.refresh()); // the runtime answering ends the guide's error
            QCOMPARE(model.onboardingErrorMessage(), std::nullopt);
        }
    }

    // Each switch says what it did; keeping the current quit choice says nothing. A
    // refused login item shows the error, then the state the system reports. The
    // guide's login choice starts from the login item.
    void settingsSwitches() {
        ModelHarness harness(withBundle(true));
        auto& model = *harness.model;
        model.setLaunchAtLogin(true);
        QCOMPARE(std::tuple(model.launchAtLoginEnabled(), model.noticeMessage()),
                 std::tuple(true, std::optional(u"Vendrilo Connect will launch when you log in."_qs)));
        QVERIFY(serveAndRefresh(harness, PairingStatus::Unpaired, 0));
        QVERIFY(model.onboardingLaunchAtLoginEnabled());
        model.setLaunchAtLogin(false);
        QCOMPARE(std::tuple(model.launchAtLoginEnabled(), model.noticeMessage()),
                 std::tuple(false, std::optional(u"Vendrilo Connect will stay manual."_qs)));

        model.setNoticeMessage(std::nullopt);
        model.setKeepRunningInMenuBarWhenQuitting(true);
        QCOMPARE(model.noticeMessage(), std::nullopt);
        model.setKeepRunningInMenuBarWhenQuitting(false);
        QCOMPARE(model.noticeMessage(), u"Cmd+Q will fully quit Vendrilo Connect."_qs);
        model.setKeepRunningInMenuBarWhenQuitting(true);
        QCOMPARE(model.noticeMessage(),
                 u"Cmd+Q will close the windows and keep Vendrilo Connect in the menu bar."_qs);

        ModelHarness outside(withBundle(false));
        QStringList order;
        connect(&*outside.model, &CompanionAppModel::errorMessageChanged, this,
                [&] { order << u"error"_qs; });
        connect(&*outside.model, &CompanionAppModel::launchAtLoginStatusChanged, this,
                [&] { order << u"state"_qs; });
        outside.model->setLaunchAtLogin(true);
        QCOMPARE(order, (QStringList{u"error"_qs, u"state"_qs}));
        QCOMPARE(
            std::tuple(outside.model->errorMessage(), outside.model->launchAtLoginEnabled(),
                       outside.model->noticeMessage()),
            std::tuple(std::optional(u"Move the app into Applications before enabling start at login."_qs),
                       false, std::optional<QString>()));
    }

    void settingsNameAndSteps() {
        ModelHarness harness;
        auto& model = *harness.model;
        QVERIFY(serveAndRefresh(harness, PairingStatus::Paired, 0));
        model.setDisplayNameDraft(u"  "_qs);
        QCOMPARE(model.settingsDisplayNamePreview(), u"This Mac"_qs);
        QCoro::waitFor(model.saveDisplayName());
        QCOMPARE(model.errorMessage(), u"Enter a companion name before saving."_qs);
        QCOMPARE(harness.server.count(renamePath), 0);

        // While the user edits, refreshes keep the field; saving ends the edit.
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(u" Den "_qs);
        QVERIFY(harness.refresh());
        QCOMPARE(model.settingsDisplayNamePreview(), u"Den"_qs);
        QCoro::waitFor(model.saveDisplayName());
        QCOMPARE(harness.server.lastBody(renamePath), (QJsonObject{{u"name"_qs, u"Den"_qs}}));
        QCOMPARE(model.noticeMessage(), u"Companion name updated."_qs);
        QCOMPARE(model.displayNameDraft(), u"Living Room"_qs); // the runtime's answer again

        // Leaving the field keeps the text until a refresh; cancelling reverts at once.
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(u"Attic"_qs);
        model.endEditingDisplayName();
        QCOMPARE(model.displayNameDraft(), u"Attic"_qs);
        QVERIFY(harness.refresh());
        QCOMPARE(model.displayNameDraft(), u"Living Room"_qs);
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(u"Attic"_qs);
        model.cancelEditingDisplayName();
        QCOMPARE(model.displayNameDraft(), u"Living Room"_qs);

        model.goToPreviousStep(); // nothing before the guide
        QCOMPARE(model.selectedSection(), DashboardSection::Guide);
        model.setSelectedSection(DashboardSection::Ready);
        model.goToPreviousStep();
        QCOMPARE(model.selectedSection(), DashboardSection::Clients);
        model.finishGuidedExperience();
        QCOMPARE(
            std::tuple(model.selectedSection(), model.hasCompletedGuidedExperience(), model.noticeMessage()),
            std::tuple(DashboardSection::Guide, true, std::optional(u"Vendrilo Connect is ready."_qs)));
        QCOMPARE(harness.preferences.boolValue(guidedKey), true);
    }

private:
    ModelHarness::Options withBundle(bool inApplications) const {
        return {.setupCompleted = false,
                .guidedExperienceCompleted = false,
                .bundlePath = m_applications.filePath(inApplications ? u"Applications/Vendrilo Connect.app"_qs
                                                                     : u"Downloads/Vendrilo Connect.app"_qs),
                .bundleIdentifier = identifier};
    }

    QTemporaryDir m_applications;
};

QTEST_GUILESS_MAIN(TestModelOnboarding)
#include "tst_model_onboarding.moc"
