#include "ModelHarness.h"
#include "common/FileText.h"
#include "supervision/BundleInfo.h"
#include "supervision/CompanionPaths.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using Phase = UpdateInstallState::Phase;
using OptionalText = std::optional<QString>;

namespace {

const QString feedPath = u"/connect/releases/companion.json"_qs;

QByteArray manifest(const QJsonObject& platformEntry, const QString& version = u"1.4.0"_qs) {
    const QJsonObject channel{
        {u"version"_qs, version},
        {u"platforms"_qs, QJsonObject{{CompanionPaths::platformName(), platformEntry}}}};
    return QJsonDocument(QJsonObject{{u"schema_version"_qs, 1}, {u"stable"_qs, channel}}).toJson();
}

ModelHarness::Options fastUpdates(const QString& bundlePath = {}) {
    return ModelHarness::adjusted({.setupCompleted = true, .bundlePath = bundlePath},
                                  [](auto& settings) { settings.updateRelaunchDelay = 20ms; });
}

} // namespace

class TestModelUpdates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        // zsh reads $ZDOTDIR/.zshenv before any script: the stand-in records the
        // installer's command line and ends there, so the real script never waits for us.
        qputenv("ZDOTDIR", m_standIn.path().toLocal8Bit());
        // It also writes to its output and error, and notes its parent.
        QVERIFY(writeFile(m_standIn.filePath(u".zshenv"_qs),
                          "print -r -- out; print -ru2 -- err; print -r -- $PPID > \"$ZDOTDIR/parent\"\n"
                          "print -rl -- \"$ZSH_ARGZERO\" \"$@\" > \"$ZDOTDIR/arguments.part\"\n"
                          "mv \"$ZDOTDIR/arguments.part\" \"$ZDOTDIR/arguments\"\nexit 0\n"));
    }

    // Summary, action label, detail and whether the tray shows the update mark.
    void derivedTexts_data() {
        QTest::addColumn<UpdateInstallState>("state");
        QTest::addColumn<ResolvedReleaseStatus>("release");
        QTest::addColumn<QStringList>("texts");
        const auto row = [](const char* name, UpdateInstallState state, bool available, bool required,
                            const QString& latest, const QStringList& texts) {
            ResolvedReleaseStatus release;
            std::tie(release.updateAvailable, release.updateRequired, release.latestVersion) =
                std::tuple(available, required, latest);
            QTest::newRow(name) << state << release << texts;
        };
        const auto idle = UpdateInstallState::idle();
        const QString ready = u"Vendrilo Connect 1.4.0 is ready to install."_qs;
        row("required", idle, true, true, u"1.4.0"_qs,
            {"Update required", "Update Required…", ready, "mark"});
        row("available", idle, true, false, u" 1.4.0 "_qs,
            {"Update available", "Update Now…", ready, "mark"});
        row("available, no version", idle, true, false, {},
            {"Update available", "Update Now…", "Vendrilo Connect the latest build is ready to install.",
             "mark"});
        row("up to date", idle, false, false, u"1.4.0"_qs,
            {"Up to date", "Check for Updates…", "This Mac companion is up to date.", "-"});
        row("checking", UpdateInstallState::checking(), false, false, u"1.4.0"_qs,
            {"Checking…", "Checking for Updates…",
             "Checking the Vendrilo release feed for a newer macOS build.", "-"});
        row("downloading", UpdateInstallState::downloading(u"1.4.0"_qs), false, false, {},
            {"Downloading update", "Downloading 1.4.0…", "Downloading Vendrilo Connect 1.4.0.", "mark"});
        row("installing", UpdateInstallState::installing(u"1.4.0"_qs), false, false, {},
            {"Installing update", "Installing 1.4.0…", "Preparing Vendrilo Connect 1.4.0 for installation.",
             "mark"});
        row("relaunching", UpdateInstallState::relaunching(u"latest"_qs), false, false, {},
            {"Installing update", "Relaunching latest…", "Finishing installation of Vendrilo Connect latest.",
             "mark"});
        row("failed, retry", UpdateInstallState::failed(u" Disk full \n"_qs), false, true, u"1.4.0"_qs,
            {"Update failed", "Retry Update…", "Disk full", "mark"});
        row("failed, nothing offered", UpdateInstallState::failed(u" "_qs), false, false, {},
            {"Update failed", "Check for Updates…", "The last update attempt did not complete.", "-"});
    }
    void derivedTexts() {
        QFETCH(UpdateInstallState, state);
        QFETCH(ResolvedReleaseStatus, release);
        QTEST((QStringList{state.summary(release), state.actionLabel(release), state.statusDetail(release),
                           state.showsMenuBarIndicator(release) ? u"mark"_qs : u"-"_qs}),
              "texts");
    }

    // The installer's result record is read at the next start, shown once and deleted.
    void theLastInstallationIsReportedOnce_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("error");
        QTest::newRow("success") << QByteArray("success\t1.4.0\tUpdated successfully.\n")
                                 << u"Vendrilo Connect 1.4.0 was installed successfully."_qs << QString();
        QTest::newRow("success without version")
            << QByteArray("success\t \tAll done.\n") << u"All done."_qs << QString();
        QTest::newRow("bare success")
            << QByteArray("success\t\t\n") << u"Vendrilo Connect was updated successfully."_qs << QString();
        QTest::newRow("failure, tabs in the message")
            << QByteArray("failure\t1.4.0\tCould not\treplace it.\n") << QString()
            << u"Could not\treplace it."_qs;
        QTest::newRow("failure without message")
            << QByteArray("failure\t1.4.0\t\n") << QString()
            << u"Vendrilo Connect could not finish installing the update."_qs;
        QTest::newRow("unknown kind") << QByteArray("Success\t1.4.0\tx\n") << QString() << QString();
        QTest::newRow("two fields") << QByteArray("success\t1.4.0\n") << QString() << QString();
    }
    void theLastInstallationIsReportedOnce() {
        QFETCH(QByteArray, record);
        QFETCH(QString, notice);
        QFETCH(QString, error);
        QVERIFY(writeFile(CompanionPaths::updateResultFile(), record));
        for (const bool firstStart : {true, false}) {
            ModelHarness harness(fastUpdates());
            harness.serve();
            QCoro::waitFor(harness.model->bootstrap());
            const auto shown = [&](const QString& text) {
                return firstStart && !text.isNull() ? std::optional(text) : std::nullopt;
            };
            QCOMPARE(std::tuple(harness.model->noticeMessage(), harness.model->errorMessage()),
                     std::tuple(shown(notice), shown(error)));
            QCOMPARE(harness.model->updateInstallState(),
                     shown(error) ? UpdateInstallState::failed(error) : UpdateInstallState::idle());
            QVERIFY(!QFile::exists(CompanionPaths::updateResultFile()));
        }
    }

    void checkThenInstallStartsTheInstallerAndQuits_data() {
        QTest::addColumn<bool>("imageServed");
        QTest::addColumn<QString>("bundleFile"); // what the target holds besides Info.plist
        QTest::addColumn<QString>("failure");    // empty: the installer starts
        const QString executable = u"Contents/MacOS/vendrilo-connect"_qs;
        QTest::newRow("image served") << true << executable << QString();
        QTest::newRow("image missing")
            << false << executable << u"The update download could not be completed."_qs;
        QTest::newRow("target is no complete bundle")
            << true << u"Contents/Resources/readme"_qs
            << u"Vendrilo Connect can only be updated from inside its app bundle."_qs;
    }
    void checkThenInstallStartsTheInstallerAndQuits() {
        QFETCH(bool, imageServed);
        QFETCH(QString, bundleFile);
        QFETCH(QString, failure);
        QFile::remove(m_standIn.filePath(u"arguments"_qs));
        QTemporaryDir applications;
        const QString bundle = applications.filePath(u"Vendrilo Connect.app"_qs);
        const QByteArray plist = "<plist><dict><key>CFBundleIdentifier</key><string>" +
                                 BundleInfo::main().bundleIdentifier().toUtf8() + "</string></dict></plist>";
        QVERIFY(writeFile(bundle + u'/' + bundleFile, "#!/bin/sh\n") &&
                writeFile(bundle + u"/Contents/Info.plist", plist));
        ModelHarness harness(fastUpdates(bundle));
        auto& model = *harness.model;
        harness.serve();
        const QString image = u"/VendriloConnect.tar.gz"_qs;
        if (imageServed) {
            harness.server.setAnswer(image, {200, "an image", {}});
        }
        const QString imageURL = harness.server.baseURL().resolved(image).toString();
        harness.server.setAnswer(feedPath, {200, manifest({{u"download_url"_qs, imageURL}}), {}});
        bool terminated = false;
        model.setFullTerminationHandler([&] { terminated = true; });
        QList<Phase> phases;
        connect(&model, &CompanionAppModel::updateInstallStateChanged, this,
                [&] { phases << model.updateInstallState().phase; });

        QVERIFY(writeFile(CompanionPaths::installerLog(), "earlier\n"));
        QCoro::waitFor(model.runUpdateCheck(true));
        QCOMPARE(model.noticeMessage(), u"Vendrilo Connect 1.4.0 is ready to install."_qs);
        QCOMPARE(model.updateActionLabel(), u"Update Now…"_qs);
        model.openUpdateAction();
        model.openUpdateAction(); // already downloading: ignored
        if (!failure.isEmpty()) {
            QTRY_COMPARE(model.updateInstallState().phase, Phase::Failed);
            QCOMPARE(model.errorMessage(), failure);
            QCOMPARE(std::tuple(model.updateActionLabel(), terminated, harness.server.count(image)),
                     std::tuple(u"Retry Update…"_qs, false, 1));
            QTest::qWait(100);
            QVERIFY(!QFile::exists(m_standIn.filePath(u"arguments"_qs))); // no installer started
            return;
        }
        QTRY_VERIFY(terminated);
        QCOMPARE(phases, (QList{Phase::Checking, Phase::Idle, Phase::Downloading, Phase::Installing,
                                Phase::Relaunching}));
        QCOMPARE(
            std::tuple(model.noticeMessage(), harness.server.count(image)),
            std::tuple(
                OptionalText(u"Installing Vendrilo Connect 1.4.0. The app will relaunch automatically."_qs),
                1));
        const QString imageFile = CompanionPaths::stagedUpdateDiskImage(u"1.4.0"_qs);
        QCOMPARE(readFile(imageFile), QByteArray("an image"));

        QTRY_VERIFY(QFile::exists(m_standIn.filePath(u"arguments"_qs)));
        const QString script = CompanionPaths::installerScriptFile(u"1.4.0"_qs);
        QCOMPARE(
            QString::fromUtf8(readFile(m_standIn.filePath(u"arguments"_qs))).split(u'\n', Qt::SkipEmptyParts),
            (QStringList{script, QString::number(QCoreApplication::applicationPid()), u"1.4.0"_qs, imageFile,
                         bundle, CompanionPaths::installerLog(), CompanionPaths::updateResultFile(),
                         script}));
        // Appended to the log, and not a child of the app that is about to quit.
        QCOMPARE(readFile(CompanionPaths::installerLog()), QByteArray("earlier\nout\nerr\n"));
        QVERIFY(readFile(m_standIn.filePath(u"parent"_qs)).trimmed().toLongLong() !=
                QCoreApplication::applicationPid());
    }

    // Without an image the action opens a web page, or checks again when nothing is newer.
    void theActionOpensAPageWhenThereIsNoImage_data() {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("instructions");
        QTest::addColumn<QUrl>("opened"); // empty: a check instead
        QTest::newRow("instructions page")
            << u"1.4.0"_qs << u"https://vendrilo.app/guide"_qs << QUrl(u"https://vendrilo.app/guide"_qs);
        QTest::newRow("not a web page")
            << u"1.4.0"_qs << u"file:///etc/passwd"_qs << CompanionPaths::downloadsURL();
        QTest::newRow("nothing newer") << u"1.0.0"_qs << u"https://vendrilo.app/guide"_qs << QUrl();
    }
    void theActionOpensAPageWhenThereIsNoImage() {
        QFETCH(QString, latest);
        QFETCH(QString, instructions);
        QFETCH(QUrl, opened);
        ModelHarness harness(fastUpdates());
        auto& model = *harness.model;
        harness.server.setAnswer(feedPath,
                                 {200, manifest({{u"instructions_url"_qs, instructions}}, latest), {}});
        QCoro::waitFor(model.runUpdateCheck(false));
        QCOMPARE(model.noticeMessage(), std::nullopt);
        model.openUpdateAction();
        if (!opened.isValid()) {
            QTRY_COMPARE(model.noticeMessage(), u"Vendrilo Connect is up to date."_qs);
        }
        QCOMPARE(std::tuple(harness.platform.opened, harness.server.count(feedPath)),
                 std::tuple(opened.isValid() ? QList{opened} : QList<QUrl>(), opened.isValid() ? 1 : 2));
    }

    // Only a manual check reports a failure; with the runtime down the update loop
    // still reads the feed, and silent reads never touch the installation state.
    void checkFailuresAndSilentRefreshes() {
        ModelHarness harness(ModelHarness::adjusted(
            fastUpdates(), [](auto& settings) { settings.updateCheckInterval = 30ms; }));
        auto& model = *harness.model;
        harness.server.setAnswer(feedPath, {500, "down", {}});
        QCoro::waitFor(model.runUpdateCheck(true));
        const QString unavailable = u"The release manifest could not be loaded."_qs;
        QCOMPARE(std::tuple(model.updateInstallState(), model.errorMessage()),
                 std::tuple(UpdateInstallState::failed(unavailable), std::optional(unavailable)));
        model.setErrorMessage(std::nullopt);
        QCoro::waitFor(model.runUpdateCheck(false));
        QCOMPARE(model.errorMessage(), std::nullopt);

        harness.server.setAnswer(feedPath, {200, manifest({}), {}});
        QCoro::waitFor(model.bootstrap());
        QTRY_VERIFY(harness.server.count(feedPath) >= 4);
        QCOMPARE(std::tuple(model.releaseStatus().latestVersion, model.releaseStatus().installedVersion),
                 std::tuple(u"1.4.0"_qs, u"1.0.0"_qs));
        QCOMPARE(model.updateInstallState(), UpdateInstallState::failed(unavailable));

        // Once the runtime reports its own version, refreshes and checks compare that one.
        RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot();
        snapshot.identity.agentVersion = u" 1.3.0\n"_qs;
        harness.serve(snapshot);
        QVERIFY(harness.refresh());
        QCOMPARE(model.releaseStatus().installedVersion, u"1.3.0"_qs);
        QCoro::waitFor(model.runUpdateCheck(false));
        QCOMPARE(model.releaseStatus().installedVersion, u"1.3.0"_qs);
    }

private:
    QTemporaryDir m_standIn;
};

QTEST_GUILESS_MAIN(TestModelUpdates)
#include "tst_model_updates.moc"
