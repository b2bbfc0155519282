#include "ModelHarness.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString identifier = u"app.vendrilo.connect.tests"_qs;
const QLatin1String guidedKey = CompanionPreferences::didCompleteGuidedExperienceKey;

// The runtime reports this state from now on.
void serve(ModelHarness& harness, PairingStatus pairing, int clients,
           const QString& name = u"Living Room"_qs) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(pairing);
    snapshot.identity.displayName = name;
    for (int i = 0; i < clients; ++i) {
        ClientConfig client;
        client.id = QString::number(i);
        client.label = u"NAS"_qs;
        snapshot.clients.append(client);
    }
    harness.server.serveHealthyRuntime(snapshot, CannedRuntimeServer::health());
    harness.server.setAnswer(u"/v1/config/display-name"_qs, {200, R"({"ok":true})", {}});
}

QJsonObject lastRename(const CannedRuntimeServer& server) {
    QJsonObject body;
    for (const auto& request : server.requests()) {
        if (request.path == u"/v1/config/display-name") {
            body = QJsonDocument::fromJson(request.body).object();
        }
    }
    return body;
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
        QVERIFY(m_applications.isValid());
        QVERIFY(QDir().mkpath(m_applications.filePath(u"Applications/Vendrilo Connect.app"_qs)));
    }
    void cleanup() { QFile::remove(autostartEntry()); }

    void theFirstRefreshSelectsTheTargetStep_data() {
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<int>("clients");
        QTest::addColumn<DashboardSection>("expected");
        QTest::newRow("setup not done") << false << PairingStatus::Paired << 1 << DashboardSection::Guide;
        QTest::newRow("pairing pending") << true << PairingStatus::Pending << 1 << DashboardSection::Pairing;
        QTest::newRow("paired with a client")
            << true << PairingStatus::Paired << 1 << DashboardSection::Ready;
        QTest::newRow("paired, no client") << true << PairingStatus::Paired << 0 << DashboardSection::Clients;
        QTest::newRow("unpaired") << true << PairingStatus::Unpaired << 1 << DashboardSection::Pairing;
    }
    void theFirstRefreshSelectsTheTargetStep() {
        QFETCH(bool, setupDone);
        QFETCH(PairingStatus, pairing);
        QFETCH(int, clients);
        ModelHarness harness({.setupCompleted = setupDone});
        harness.preferences.setBool(guidedKey, false);
        serve(harness, pairing, clients);
        QVERIFY(harness.refresh());
        QTEST(harness.model->selectedSection(), "expected");
    }

    void laterRefreshesNeverPullTheUserOffAChosenStep_data() {
        QTest::addColumn<DashboardSection>("chosen");
        QTest::addColumn<bool>("guidedDone");
        QTest::addColumn<PairingStatus>("pairing");
        QTest::addColumn<int>("clients");
        QTest::addColumn<DashboardSection>("expected");
        QTest::newRow("guide moves on once set up")
            << DashboardSection::Guide << false << PairingStatus::Paired << 1 << DashboardSection::Ready;
        QTest::newRow("a completed pairing does not move on")
            << DashboardSection::Pairing << false << PairingStatus::Paired << 0 << DashboardSection::Pairing;
        QTest::newRow("a lost pairing goes back")
            << DashboardSection::Clients << false << PairingStatus::Unpaired << 1
            << DashboardSection::Pairing;
        QTest::newRow("clients stays while paired")
            << DashboardSection::Clients << false << PairingStatus::Paired << 1 << DashboardSection::Clients;
        QTest::newRow("ready without clients goes back")
            << DashboardSection::Ready << false << PairingStatus::Paired << 0 << DashboardSection::Clients;
        QTest::newRow("finished guide never moves")
            << DashboardSection::Clients << true << PairingStatus::Unpaired << 0 << DashboardSection::Clients;
    }
    void laterRefreshesNeverPullTheUserOffAChosenStep() {
        QFETCH(DashboardSection, chosen);
        QFETCH(bool, guidedDone);
        QFETCH(PairingStatus, pairing);
        QFETCH(int, clients);
        ModelHarness harness({.setupCompleted = true, .guidedExperienceCompleted = guidedDone});
        harness.preferences.setBool(guidedKey, guidedDone);
        serve(harness, PairingStatus::Pending, 0);
        QVERIFY(harness.refresh());
        harness.model->setSelectedSection(chosen);
        serve(harness, pairing, clients);
        QVERIFY(harness.refresh());
        QTEST(harness.model->selectedSection(), "expected");
    }

    void finishedInstallationsSkipTheGuideOnce_data() {
        QTest::addColumn<std::optional<bool>>("stored");
        QTest::addColumn<bool>("setupDone");
        QTest::addColumn<int>("clients");
        QTest::addColumn<bool>("skipped");
        QTest::newRow("nothing stored") << std::optional<bool>() << true << 1 << true;
        QTest::newRow("stored false") << std::optional<bool>(false) << true << 1 << false;
        QTest::newRow("setup not done") << std::optional<bool>() << false << 1 << false;
        QTest::newRow("no client yet") << std::optional<bool>() << true << 0 << false;
    }
    void finishedInstallationsSkipTheGuideOnce() {
        QFETCH(std::optional<bool>, stored);
        QFETCH(bool, setupDone);
        QFETCH(int, clients);
        QFETCH(bool, skipped);
        ModelHarness harness({.setupCompleted = setupDone});
        if (stored) {
            harness.preferences.setBool(guidedKey, *stored);
        }
        serve(harness, PairingStatus::Paired, clients);
        QVERIFY(harness.refresh());
        QCOMPARE(harness.model->hasCompletedGuidedExperience(), skipped);
        QCOMPARE(harness.preferences.boolValue(guidedKey), skipped ? std::optional(true) : stored);
    }

    void theGuideSuggestsTheComputerNameForHostNames_data() {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("expected");
        QTest::newRow("host name") << u"janes-box"_qs << u"Study Computer"_qs;
        QTest::newRow("local host name") << u"Janes-Box.local"_qs << u"Study Computer"_qs;
        QTest::newRow("a chosen name") << u"Living Room"_qs << u"Living Room"_qs;
    }
    void theGuideSuggestsTheComputerNameForHostNames() {
        QFETCH(QString, reported);
        ModelHarness harness;
        serve(harness, PairingStatus::Unpaired, 0, reported);
        QVERIFY(harness.refresh());
        QTEST(harness.model->onboardingDisplayNameDraft(), "expected");
        // Seeded from the first snapshot only.
        serve(harness, PairingStatus::Unpaired, 0, u"Attic"_qs);
        QVERIFY(harness.refresh());
        QTEST(harness.model->onboardingDisplayNameDraft(), "expected");
    }

    void completingTheGuideSendsOnlyWhatChanged_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("launchAtLogin");
        QTest::newRow("nothing changed") << u" Living Room "_qs << false;
        QTest::newRow("new name") << u"Den"_qs << false;
        QTest::newRow("start at login") << u"Living Room"_qs << true;
    }
    void completingTheGuideSendsOnlyWhatChanged() {
        QFETCH(QString, name);
        QFETCH(bool, launchAtLogin);
        ModelHarness harness(withBundle(true));
        auto& model = *harness.model;
        serve(harness, PairingStatus::Unpaired, 0);
        QVERIFY(harness.refresh());
        model.setOnboardingDisplayNameDraft(name);
        model.setOnboardingLaunchAtLoginEnabled(launchAtLogin);

        QCoro::waitFor(model.completeOnboarding());
        const bool renamed = name.trimmed() != u"Living Room";
        QCOMPARE(harness.server.count(u"/v1/config/display-name"_qs), renamed ? 1 : 0);
        if (renamed) {
            QCOMPARE(lastRename(harness.server), (QJsonObject{{u"name"_qs, u"Den"_qs}}));
        }
        QCOMPARE(QFile::exists(autostartEntry()), launchAtLogin);
        QCOMPARE(model.launchAtLoginEnabled(), launchAtLogin);
        QCOMPARE(std::tuple(model.showOnboarding(), model.selectedSection(), model.isCompletingOnboarding()),
                 std::tuple(false, DashboardSection::Pairing, false));
        QCOMPARE(model.displayNameDraft(), name.trimmed());
        QCOMPARE(harness.preferences.boolValue(CompanionPreferences::didCompleteInitialSetupKey), true);
        QCOMPARE(model.noticeMessage(),
                 u"Setup saved. You can pair this Mac from Vendrilo on Android now."_qs);
    }

    void guideFailuresStayInsideTheGuide_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("inApplications");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blank name") << u" \n"_qs << true << u"Enter a companion name before continuing."_qs;
        QTest::newRow("runtime refuses the name") << u"Den"_qs << true << u"Name is too long."_qs;
        QTest::newRow("login item refused")
            << u"Living Room"_qs << false
            << u"Move the app into Applications before enabling start at login."_qs;
    }
    void guideFailuresStayInsideTheGuide() {
        QFETCH(QString, name);
        QFETCH(bool, inApplications);
        ModelHarness harness(withBundle(inApplications));
        auto& model = *harness.model;
        serve(harness, PairingStatus::Unpaired, 0);
        harness.server.setAnswer(u"/v1/config/display-name"_qs, {400, "Name is too long.", {}});
        QVERIFY(harness.refresh());
        model.setOnboardingDisplayNameDraft(name);
        model.setOnboardingLaunchAtLoginEnabled(true);
        model.setErrorMessage(u"earlier"_qs);

        QCoro::waitFor(model.completeOnboarding());
        QTEST(model.onboardingErrorMessage().value_or(QString()), "expected");
        QCOMPARE(model.errorMessage(),
                 name.trimmed().isEmpty() ? std::optional(u"earlier"_qs) : std::nullopt);
        QCOMPARE(
            std::tuple(model.showOnboarding(), model.isCompletingOnboarding(), model.launchAtLoginEnabled()),
            std::tuple(true, false, false));
        QCOMPARE(harness.preferences.hasValue(CompanionPreferences::didCompleteInitialSetupKey), false);
    }

    void stepsCountAndGoBack() {
        ModelHarness fresh;
        QCOMPARE(fresh.model->completedSteps(), 0);
        fresh.model->goToPreviousStep();
        QCOMPARE(fresh.model->selectedSection(), DashboardSection::Guide);

        ModelHarness harness({.setupCompleted = true});
        auto& model = *harness.model;
        serve(harness, PairingStatus::Pending, 1);
        QVERIFY(harness.refresh());
        QCOMPARE(model.completedSteps(), 2);
        serve(harness, PairingStatus::Paired, 1);
        QVERIFY(harness.refresh());
        QCOMPARE(model.completedSteps(), 4);
        model.setSelectedSection(DashboardSection::Ready);
        model.goToPreviousStep();
        QCOMPARE(model.selectedSection(), DashboardSection::Clients);

        model.finishGuidedExperience();
        QCOMPARE(
            std::tuple(model.selectedSection(), model.hasCompletedGuidedExperience(), model.noticeMessage()),
            std::tuple(DashboardSection::Guide, true, std::optional(u"Vendrilo Connect is ready."_qs)));
        QCOMPARE(harness.preferences.boolValue(guidedKey), true);
    }

    void settingsNameAndSwitches() {
        ModelHarness harness(withBundle(true));
        auto& model = *harness.model;
        serve(harness, PairingStatus::Paired, 0);
        QVERIFY(harness.refresh());
        model.setDisplayNameDraft(u"  "_qs);
        QCOMPARE(model.settingsDisplayNamePreview(), u"This Mac"_qs);
        QCoro::waitFor(model.saveDisplayName());
        QCOMPARE(model.errorMessage(), u"Enter a companion name before saving."_qs);
        QCOMPARE(harness.server.count(u"/v1/config/display-name"_qs), 0);

        // While the user edits, refreshes keep the field; saving ends the edit.
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(u" Den "_qs);
        QVERIFY(harness.refresh());
        QCOMPARE(model.settingsDisplayNamePreview(), u"Den"_qs);
        QCoro::waitFor(model.saveDisplayName());
        QCOMPARE(lastRename(harness.server), (QJsonObject{{u"name"_qs, u"Den"_qs}}));
        QCOMPARE(model.noticeMessage(), u"Companion name updated."_qs);
        QCOMPARE(model.displayNameDraft(), u"Living Room"_qs); // the runtime's answer again

        model.setLaunchAtLogin(true);
        QCOMPARE(
            std::tuple(model.launchAtLoginEnabled(), QFile::exists(autostartEntry()), model.noticeMessage()),
            std::tuple(true, true, std::optional(u"Vendrilo Connect will launch when you log in."_qs)));
        model.setLaunchAtLogin(false);
        QCOMPARE(
            std::tuple(model.launchAtLoginEnabled(), QFile::exists(autostartEntry()), model.noticeMessage()),
            std::tuple(false, false, std::optional(u"Vendrilo Connect will stay manual."_qs)));

        model.setKeepRunningInMenuBarWhenQuitting(false);
        QCOMPARE(model.noticeMessage(), u"Cmd+Q will fully quit Vendrilo Connect."_qs);
        QCOMPARE(harness.preferences.boolValue(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey),
                 false);
        model.setNoticeMessage(std::nullopt);
        model.setKeepRunningInMenuBarWhenQuitting(false);
        QCOMPARE(model.noticeMessage(), std::nullopt);

        ModelHarness outside(withBundle(false));
        outside.model->setLaunchAtLogin(true);
        QCOMPARE(outside.model->errorMessage(),
                 u"Move the app into Applications before enabling start at login."_qs);
        QCOMPARE(std::optional(outside.model->launchAtLoginStatus()), outside.model->errorMessage());
    }

private:
    ModelHarness::Options withBundle(bool inApplications) const {
        ModelHarness::Options options;
        options.bundlePath = inApplications ? m_applications.filePath(u"Applications/Vendrilo Connect.app"_qs)
                                            : m_applications.filePath(u"Downloads/Vendrilo Connect.app"_qs);
        options.bundleIdentifier = identifier;
        return options;
    }

    QTemporaryDir m_applications;
};

QTEST_GUILESS_MAIN(TestModelOnboarding)
#include "tst_model_onboarding.moc"
