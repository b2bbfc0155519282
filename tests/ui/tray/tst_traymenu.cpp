#include "MenuRows.h"
#include "ui/tray/PlatformWording.h"
#include "ui/tray/StatusItemMenu.h"
#include "ui/tray/wording/WordingRules.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>

namespace {

StatusItemMenuState idleState() {
    StatusItemMenuState state;
    state.quickStatusTitle = u"Online"_qs;
    state.updateStatusDetail = u"This Mac companion is up to date."_qs;
    state.updateActionLabel = u"Check for Updates…"_qs;
    return state;
}

StatusItemMenuState with(std::function<void(StatusItemMenuState&)> change) {
    StatusItemMenuState state = idleState();
    change(state);
    return state;
}

} // namespace

class TrayMenuTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheState_data() {
        QTest::addColumn<StatusItemMenuState>("state");
        QTest::addColumn<QStringList>("rows");
        const QString check = u"Check for Updates…"_qs;
        const QString checkDisabled = u"(Check for Updates…)"_qs;

        QTest::newRow("idle, unpaired: no update row, pairing offered")
            << idleState() << expectedRows({check});
        QTest::newRow("checking: both update rows disabled") << with([](auto& s) {
            s.updateInstallState = UpdateInstallState::checking();
            s.updateActionLabel = u"Checking for Updates…"_qs;
        }) << expectedRows({checkDisabled, u"(Checking for Updates…)"_qs});
        QTest::newRow("update available: install row enabled") << with([](auto& s) {
            s.updateAvailable = true;
            s.updateActionLabel = u"Update Now…"_qs;
        }) << expectedRows({check, u"Update Now…"_qs});
        QTest::newRow("required update after a failure: retry enabled") << with([](auto& s) {
            s.updateRequired = true;
            s.updateInstallState = UpdateInstallState::failed(u"Boom"_qs);
            s.updateActionLabel = u"Retry Update…"_qs;
        }) << expectedRows({check, u"Retry Update…"_qs});
        QTest::newRow("downloading: install row shown, disabled") << with([](auto& s) {
            s.updateAvailable = true;
            s.updateInstallState = UpdateInstallState::downloading(u"1.2.0"_qs);
            s.updateActionLabel = u"Downloading 1.2.0…"_qs;
        }) << expectedRows({checkDisabled, u"(Downloading 1.2.0…)"_qs});
        QTest::newRow("pairing pending with a code: code rows, no start")
            << with([](auto& s) {
                   s.isPairingPending = true;
                   s.pairingCode = u"K7Q-2MX"_qs;
               })
            << expectedRows(
                   {check},
                   {u"—"_qs, u"(Pairing code: K7Q-2MX)"_qs, u"Copy Pairing Code"_qs, u"Open Pairing Link"_qs},
                   false);
        QTest::newRow("pairing pending without a code yet: neither")
            << with([](auto& s) { s.isPairingPending = true; }) << expectedRows({check}, {}, false);
        QTest::newRow("paired: no start")
            << with([](auto& s) { s.isPaired = true; }) << expectedRows({check}, {}, false);
        QTest::newRow("login on, keep running off: plain quit")
            << with([](auto& s) {
                   s.launchAtLoginEnabled = true;
                   s.keepRunningInMenuBarWhenQuitting = false;
               })
            << expectedRows({check}, {}, true, {u"[x] Start at Login"_qs, u"[ ] Keep Running in Menu Bar"_qs},
                            u"Quit Vendrilo Connect"_qs);
    }
    void rowsFollowTheState() {
        QFETCH(StatusItemMenuState, state);
        QFETCH(QStringList, rows);
        QMenu menu;
        // Built twice: a rebuild replaces the rows rather than adding to them.
        StatusItemMenu::rebuild(menu, idleState(), {});
        StatusItemMenu::rebuild(menu, state, {});
        QCOMPARE(menuRows(menu), rows);
    }

    void everyRowRunsItsAction() {
        using A = StatusItemMenu::Actions;
        // In the order of the rows; Start Pairing comes from a second, unpaired menu.
        const std::pair<const char*, std::function<void()> A::*> wiring[] = {
            {"checkForUpdates", &A::checkForUpdates},
            {"openUpdateAction", &A::openUpdateAction},
            {"copyPairingCode", &A::copyPairingCode},
            {"openPairingLink", &A::openPairingLink},
            {"openDashboard", &A::openDashboard},
            {"openSettings", &A::openSettings},
            {"toggleLaunchAtLogin", &A::toggleLaunchAtLogin},
            {"toggleKeepRunning", &A::toggleKeepRunning},
            {"openBrowserDashboard", &A::openBrowserDashboard},
            {"revealLogs", &A::revealLogs},
            {"revealDataFolder", &A::revealDataFolder},
            {"restartRuntime", &A::restartRuntime},
            {"quit", &A::quit},
            {"beginPairing", &A::beginPairing}};
        QStringList ran;
        QStringList inRowOrder;
        A actions;
        for (const auto& [name, member] : wiring) {
            actions.*member = [&ran, name] { ran << QString::fromLatin1(name); };
            inRowOrder << QString::fromLatin1(name);
        }
        QMenu menu;
        // Every row at once: an update on offer and a pending code.
        StatusItemMenu::rebuild(menu, with([](auto& s) {
                                    s.updateAvailable = true;
                                    s.isPairingPending = true;
                                    s.pairingCode = u"K7Q-2MX"_qs;
                                }),
                                actions);
        QMenu unpaired;
        StatusItemMenu::rebuild(unpaired, idleState(), actions);
        QList<QAction*> rows;
        for (QAction* row : menu.actions()) {
            rows << (row->menu() ? row->menu()->actions() : QList<QAction*>{row});
        }
        for (QAction* row : unpaired.actions()) {
            if (row->text() == u"Start Pairing") {
                rows << row;
            }
        }
        for (QAction* row : rows) {
            if (row->isEnabled() && !row->isSeparator()) {
                row->trigger();
            }
        }
        QCOMPARE(ran, inRowOrder);
    }

    void rulesReplaceWholeWordsOnce_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("untouched") << u"Reveal Logs"_qs << u"Reveal Logs"_qs;
        QTest::newRow("the longer phrase first")
            << u"This Mac companion is up to date."_qs << u"The companion on this computer is up to date."_qs;
        QTest::newRow("several in one text")
            << u"Pair this Mac, then press Cmd+Q to leave it in the menu bar."_qs
            << u"Pair this computer, then press Ctrl+Q to leave it in the system tray."_qs;
        QTest::newRow("modifier pair") << u"Option+Cmd+Q"_qs << u"Ctrl+Alt+Q"_qs;
        QTest::newRow("not inside a longer word")
            << u"Macintosh, Finderly, Docking"_qs << u"Macintosh, Finderly, Docking"_qs;
        QTest::newRow("menu titles") << u"Keep Running in Menu Bar"_qs << u"Keep Running in Tray"_qs;
        QTest::newRow("file manager")
            << u"Opens the folder in Finder."_qs << u"Opens the folder in the file manager."_qs;
    }
    void rulesReplaceWholeWordsOnce() {
        QFETCH(QString, text);
        QFile file(QStringLiteral(VC_WORDING_RULES));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(WordingRules::parse(QString::fromUtf8(file.readAll())).value().apply(text), "expected");
        // A line without an arrow spoils the whole file.
        QString error;
        QVERIFY(
            !WordingRules::parse(u"# fine\nthis Mac => this computer\nFinder the file manager\n"_qs, &error));
        QCOMPARE(error, u"Finder the file manager"_qs);
    }

    // Last: the catalogue stays installed for the rest of the process.
    void theCatalogueShowsLinuxWordsInTheTrayMenu() {
        QVERIFY(installPlatformWording(*qApp));
        QMenu menu;
        StatusItemMenu::rebuild(menu, idleState(), {});
        const QStringList rows = menuRows(menu);
        QVERIFY2(rows.contains(u"[x] Keep Running in Tray"_qs) && rows.contains(u"Quit Completely"_qs),
                 qPrintable(rows.join(u'\n')));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TrayMenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_traymenu.moc"
