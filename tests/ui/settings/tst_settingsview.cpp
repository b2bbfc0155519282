#include "ModelHarness.h"
#include "UiTheme.h"
#include "runtime/WireCoding.h"
#include "system/NotificationPreferences.h"
#include "ui/components/CompanionStatusBanner.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/notifications/NotificationSettingsCard.h"
#include "ui/settings/RelativeTimeText.h"
#include "ui/settings/SettingsIdentityCard.h"
#include "ui/settings/SettingsIssueCard.h"
#include "ui/settings/SettingsNameField.h"
#include "ui/settings/SettingsStartupCard.h"
#include "ui/settings/SettingsSwitch.h"
#include "ui/settings/SettingsToggleCard.h"
#include "ui/settings/SettingsWindowView.h"
#include "ui/tray/StatusItemMenu.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

namespace {

RuntimeSnapshot named(const QString& name) {
    RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.identity.displayName = name;
    return snapshot;
}

DiagnosticEvent issue(int index, const QString& level, const QDateTime& at) {
    return {QString::number(index),    level, u"code-"_qs + QString::number(index),
            u"Something happened."_qs, at,    std::nullopt};
}

QString quitTitle(const CompanionAppModel& model) {
    QMenu menu;
    StatusItemMenu::rebuild(menu, StatusItemMenuState::read(model), {});
    return menu.actions().constLast()->text();
}

} // namespace

class SettingsViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        UiTheme::useFusion();
    }

    // Save needs a name that is not blank; typing holds off refreshes until
    // Escape or leaving the field; Return saves.
    void nameFieldEditsAgainstRefreshes() {
        ModelHarness harness;
        harness.serve(named(u"Attic"_qs));
        harness.server.setAnswer(u"/v1/config/display-name"_qs, {200, R"({"ok":true})", {}});
        QVERIFY(harness.refresh());
        SettingsWindowView view(*harness.model);
        const std::pair<QString, bool> drafts[] = {{u""_qs, false},     {u"   "_qs, false},
                                                   {u"\n\n"_qs, false}, {u" \n "_qs, false},
                                                   {u"Den"_qs, true},   {u"  Den "_qs, true}};
        for (const auto& [draft, canSave] : drafts) {
            harness.model->setDisplayNameDraft(draft);
            QVERIFY2(view.identityCard()->saveButton()->isEnabled() == canSave, qPrintable(draft));
            QCOMPARE(view.identityCard()->nameField()->text(), draft);
        }
        harness.model->setDisplayNameDraft(u"Attic"_qs);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        SettingsNameField* field = view.identityCard()->nameField();
        const auto typeAndRefresh = [&](const QString& typed, const QString& served) {
            QTest::keyClicks(field, typed);
            harness.serve(named(served));
            QVERIFY(harness.refresh());
        };
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        typeAndRefresh(u"Den"_qs, u"Loft"_qs);
        QCOMPARE(field->text(), u"Den"_qs);
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(field->text(), u"Loft"_qs);

        QTest::keyClicks(field, u"!"_qs);
        view.identityCard()->saveButton()->setFocus(Qt::TabFocusReason);
        typeAndRefresh({}, u"Cellar"_qs);
        QCOMPARE(field->text(), u"Cellar"_qs);

        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, u"Den"_qs);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_COMPARE(harness.server.count(u"/v1/config/display-name"_qs), 1);
        QVERIFY(harness.server.requests()
                    .at(harness.server.lastIndexOf(u"/v1/config/display-name"_qs))
                    .body.contains("Den"));

        // A failed save says why in this window too; dismissing clears it.
        QTRY_VERIFY(!harness.model->isBusy());
        harness.server.setAnswer(u"/v1/config/display-name"_qs, {500, R"({"error":"disk full"})", {}});
        QTest::keyClick(field, Qt::Key_Return);
        auto* banner = view.findChild<CompanionStatusBanner*>(u"settingsBanner"_qs);
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(banner->message(), harness.model->errorMessage().value_or(QString()));
        QTest::mouseClick(banner->dismissButton(), Qt::LeftButton);
        QVERIFY(!banner->isVisible() && !harness.model->errorMessage());
    }

    // Every control is named. Without a login-item service the system refuses
    // to start at login, and the switch shows that; keep-running flips both ways.
    void namesAndStartupSwitches() {
        ModelHarness harness;
        SettingsWindowView view(*harness.model);
        for (QAbstractButton* button : view.findChildren<QAbstractButton*>()) {
            QVERIFY2(!button->text().isEmpty() || !button->accessibleName().isEmpty(),
                     button->metaObject()->className());
        }
        for (QLineEdit* field : view.findChildren<QLineEdit*>()) {
            QVERIFY(!field->accessibleName().isEmpty());
        }
        SettingsToggleCard* launch = view.startupCard()->launchToggle();
        QTest::mouseClick(launch->toggle(), Qt::LeftButton);
        QCOMPARE(launch->toggle()->isChecked(), harness.model->launchAtLoginEnabled());
        QCOMPARE(view.startupCard()->launchPill()->title(),
                 harness.model->launchAtLoginEnabled() ? u"Starts automatically"_qs : u"Manual launch"_qs);

        SettingsToggleCard* keepRunning = view.startupCard()->keepRunningToggle();
        const struct {
            bool after;
            QString pill, quitTitle;
        } flips[] = {{false, u"Cmd+Q fully quits"_qs, u"Quit Vendrilo Connect"_qs},
                     {true, u"Menu bar stays active"_qs, u"Quit Completely"_qs}};
        QVERIFY(keepRunning->toggle()->isChecked());
        for (const auto& flip : flips) {
            QTest::mouseClick(keepRunning->toggle(), Qt::LeftButton);
            QCOMPARE(harness.model->keepRunningInMenuBarWhenQuitting(), flip.after);
            QCOMPARE(keepRunning->toggle()->isChecked(), flip.after);
            QCOMPARE(view.startupCard()->quitPill()->title(), flip.pill);
            QCOMPARE(quitTitle(*harness.model), flip.quitTitle);
        }
    }

    void recentIssues_data() {
        QTest::addColumn<QStringList>("levels");
        QTest::addColumn<QStringList>("symbols");
        QTest::newRow("none: no card") << QStringList() << QStringList();
        QTest::newRow("every level, in any case")
            << QStringList{u"critical"_qs, u"ERROR"_qs, u"Warn"_qs, u"warning"_qs}
            << QStringList{u"xmark.octagon"_qs, u"xmark.octagon"_qs, u"exclamationmark.triangle"_qs,
                           u"exclamationmark.triangle"_qs};
        QTest::newRow("seven: the first four")
            << QStringList{u"info"_qs,     u"debug"_qs, u"warn"_qs, u"error"_qs,
                           u"critical"_qs, u"warn"_qs,  u"info"_qs}
            << QStringList{u"info.circle"_qs, u"info.circle"_qs, u"exclamationmark.triangle"_qs,
                           u"xmark.octagon"_qs};
    }
    void recentIssues() {
        QFETCH(QStringList, levels);
        ModelHarness harness;
        harness.serve();
        QDateTime now = QDateTime::currentDateTimeUtc();
        QList<DiagnosticEvent> events;
        for (int i = 0; i < levels.size(); ++i) {
            events.append(issue(i, levels[i], now.addSecs(-60 * (i + 2))));
        }
        harness.server.setAnswer(u"/v1/diagnostics"_qs, {200, WireCoding::encodeList(events), {}});
        QVERIFY(harness.refresh());
        SettingsWindowView view(*harness.model, {[&now] { return now; }, 5ms});
        view.show();
        QCOMPARE(view.recentIssuesCard()->isVisible(), !levels.isEmpty());
        QStringList shown;
        for (SettingsIssueCard* card : view.recentIssuesCard()->visibleIssues()) {
            QVERIFY(card->isVisible());
            shown.append(card->issueStyle().symbol);
        }
        QTEST(shown, "symbols");
        if (!shown.isEmpty()) {
            // The times keep counting while the window is open.
            SettingsIssueCard* card = view.recentIssuesCard()->visibleIssues().constFirst();
            QCOMPARE(card->timeText(), u"2 minutes ago"_qs);
            now = now.addSecs(3 * 3600);
            QTRY_COMPARE(card->timeText(), u"3 hours ago"_qs);
        }
    }

    void relativeTimes_data() {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("same moment") << qint64(0) << u"now"_qs;
        QTest::newRow("one second") << qint64(-1) << u"1 second ago"_qs;
        QTest::newRow("59 seconds") << qint64(-59) << u"59 seconds ago"_qs;
        QTest::newRow("a minute") << qint64(-60) << u"1 minute ago"_qs;
        QTest::newRow("two hours") << qint64(-2 * 3600 - 5) << u"2 hours ago"_qs;
        QTest::newRow("a day") << qint64(-86400) << u"yesterday"_qs;
        QTest::newRow("three days") << qint64(-3 * 86400) << u"3 days ago"_qs;
        QTest::newRow("eight days") << qint64(-8 * 86400) << u"last week"_qs;
        QTest::newRow("two months") << qint64(-61 * 86400) << u"2 months ago"_qs;
        QTest::newRow("ahead by five minutes") << qint64(5 * 60) << u"in 5 minutes"_qs;
        QTest::newRow("ahead by a day") << qint64(86400 + 60) << u"tomorrow"_qs;
    }
    void relativeTimes() {
        QFETCH(qint64, offset);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC);
        QTEST(relativeTimeText(now.addSecs(offset), now), "text");
    }

    void screenshots() {
        ModelHarness harness;
        harness.serve(named(u"Study Computer"_qs));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        harness.server.setAnswer(u"/v1/diagnostics"_qs,
                                 {200,
                                  WireCoding::encodeList(QList{issue(1, u"critical"_qs, now.addSecs(-40)),
                                                               issue(2, u"warn"_qs, now.addSecs(-3600)),
                                                               issue(3, u"info"_qs, now.addSecs(-86400))}),
                                  {}});
        QVERIFY(harness.refresh());
        SettingsWindowView view(*harness.model);
        const auto preferences = NotificationPreferences::inFile(harness.folder.filePath(u"notify.ini"_qs));
        view.addSectionAfterStartup(new NotificationSettingsCard(*preferences));
        view.show();
        QCOMPARE(UiTheme::saveLightAndDark(view, u"settings"_qs, {720, 2080}), 2);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
