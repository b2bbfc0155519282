#include "MenuRows.h"
#include "ui/tray/StatusItemMenu.h"

#include <QAction>
#include <QApplication>
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

const QStringList head{u"(Vendrilo Connect)"_qs, u"(Online)"_qs, u"(This Mac companion is up to date.)"_qs};
const QString advanced =
    u"Advanced ▸ Open Browser Dashboard | Reveal Logs | Reveal Data Folder | — | Restart Runtime"_qs;
const QStringList tail{u"—"_qs, u"[ ] Start at Login"_qs, u"[x] Keep Running in Menu Bar"_qs, advanced,
                       u"—"_qs, u"Quit Completely"_qs};
const QStringList windows{u"—"_qs, u"Open Companion"_qs, u"Open Settings…"_qs};

} // namespace

class TrayMenuTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowTheState_data() {
        QTest::addColumn<StatusItemMenuState>("state");
        QTest::addColumn<QStringList>("rows");
        const QString check = u"Check for Updates…"_qs;
        const QString checkDisabled = u"(Check for Updates…)"_qs;
        const QString startPairing = u"Start Pairing"_qs;

        QTest::newRow("idle, unpaired: no update row, pairing offered")
            << idleState() << head + QStringList{check} + windows + QStringList{startPairing} + tail;
        QTest::newRow("checking: both update rows disabled")
            << with([](auto& s) {
                   s.updateInstallState = UpdateInstallState::checking();
                   s.updateActionLabel = u"Checking for Updates…"_qs;
               })
            << head + QStringList{checkDisabled, u"(Checking for Updates…)"_qs} + windows +
                   QStringList{startPairing} + tail;
        QTest::newRow("update available: install row enabled") << with([](auto& s) {
            s.updateAvailable = true;
            s.updateActionLabel = u"Update Now…"_qs;
        }) << head + QStringList{check, u"Update Now…"_qs} + windows + QStringList{startPairing} + tail;
        QTest::newRow("required update after a failure: retry enabled") << with([](auto& s) {
            s.updateRequired = true;
            s.updateInstallState = UpdateInstallState::failed(u"Boom"_qs);
            s.updateActionLabel = u"Retry Update…"_qs;
        }) << head + QStringList{check, u"Retry Update…"_qs} + windows + QStringList{startPairing} + tail;
        QTest::newRow("downloading: install row shown, disabled")
            << with([](auto& s) {
                   s.updateAvailable = true;
                   s.updateInstallState = UpdateInstallState::downloading(u"1.2.0"_qs);
                   s.updateActionLabel = u"Downloading 1.2.0…"_qs;
               })
            << head + QStringList{checkDisabled, u"(Downloading 1.2.0…)"_qs} + windows +
                   QStringList{startPairing} + tail;
        QTest::newRow("pairing pending with a code: code rows, no start")
            << with([](auto& s) {
                   s.isPairingPending = true;
                   s.pairingCode = u"K7Q-2MX"_qs;
               })
            << head +
                   QStringList{check, u"—"_qs, u"(Pairing code: K7Q-2MX)"_qs, u"Copy Pairing Code"_qs,
                               u"Open Pairing Link"_qs} +
                   windows + tail;
        QTest::newRow("pairing pending without a code yet: neither")
            << with([](auto& s) { s.isPairingPending = true; }) << head + QStringList{check} + windows + tail;
        QTest::newRow("paired: no start")
            << with([](auto& s) { s.isPaired = true; }) << head + QStringList{check} + windows + tail;
        QTest::newRow("login on, keep running off: plain quit")
            << with([](auto& s) {
                   s.launchAtLoginEnabled = true;
                   s.keepRunningInMenuBarWhenQuitting = false;
               })
            << head + QStringList{check} + windows +
                   QStringList{
                       startPairing, u"—"_qs, u"[x] Start at Login"_qs,   u"[ ] Keep Running in Menu Bar"_qs,
                       advanced,     u"—"_qs, u"Quit Vendrilo Connect"_qs};
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
        QStringList ran;
        const auto record = [&ran](const char* name) {
            return [&ran, name] { ran << QString::fromLatin1(name); };
        };
        const StatusItemMenu::Actions actions{
            .checkForUpdates = record("checkForUpdates"),
            .openUpdateAction = record("openUpdateAction"),
            .copyPairingCode = record("copyPairingCode"),
            .openPairingLink = record("openPairingLink"),
            .openDashboard = record("openDashboard"),
            .openSettings = record("openSettings"),
            .beginPairing = record("beginPairing"),
            .toggleLaunchAtLogin = record("toggleLaunchAtLogin"),
            .toggleKeepRunning = record("toggleKeepRunning"),
            .openBrowserDashboard = record("openBrowserDashboard"),
            .revealLogs = record("revealLogs"),
            .revealDataFolder = record("revealDataFolder"),
            .restartRuntime = record("restartRuntime"),
            .quit = record("quit"),
        };
        QMenu menu;
        // Every row at once: an update on offer and a pending code (Start
        // Pairing comes from a second, unpaired menu).
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
        QCOMPARE(ran, (QStringList{u"checkForUpdates"_qs, u"openUpdateAction"_qs, u"copyPairingCode"_qs,
                                   u"openPairingLink"_qs, u"openDashboard"_qs, u"openSettings"_qs,
                                   u"toggleLaunchAtLogin"_qs, u"toggleKeepRunning"_qs,
                                   u"openBrowserDashboard"_qs, u"revealLogs"_qs, u"revealDataFolder"_qs,
                                   u"restartRuntime"_qs, u"quit"_qs, u"beginPairing"_qs}));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TrayMenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_traymenu.moc"
