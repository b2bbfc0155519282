#include "ModelHarness.h"
#include "supervision/CompanionPaths.h"
#include "ui/shell/AppActionRouter.h"
#include "ui/shell/CompanionApplicationDelegate.h"
#include "ui/shell/CompanionCommandMenu.h"
#include "ui/shell/CompanionMenuBar.h"
#include "ui/shell/CompanionTerminationCommands.h"

#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

// The menu bar every window shows, pressed and read as a user would.
class TestCommandMenus : public QObject {
    Q_OBJECT

    std::unique_ptr<ModelHarness> m_harness;
    std::unique_ptr<AppActionRouter> m_router;
    std::unique_ptr<CompanionApplicationDelegate> m_delegate;
    std::unique_ptr<CompanionTerminationCommands> m_termination;
    std::unique_ptr<CompanionCommandMenu> m_companion;
    std::unique_ptr<QMainWindow> m_window;
    QStringList m_routed;

    void wireRouter() {
        for (auto [action, name] : {std::pair{&m_router->openDashboardAction, "dashboard"},
                                    {&m_router->openSettingsAction, "settings"},
                                    {&m_router->closeToMenuBarAction, "close"},
                                    {&m_router->quitCompletelyAction, "quit"},
                                    {&m_router->prepareForForegroundAction, "foreground"}}) {
            *action = [this, name = QString::fromLatin1(name)] { m_routed.append(name); };
        }
    }

    // Visible items of a menu as "title<TAB>shortcut", separators as "-".
    static QStringList items(const QMenu& menu) {
        QStringList lines;
        for (const QAction* action : menu.actions()) {
            if (action->isVisible()) {
                lines.append(action->isSeparator()
                                 ? u"-"_qs
                                 : action->text() + u'\t' +
                                       action->shortcut().toString(QKeySequence::PortableText));
            }
        }
        return lines;
    }
    QMenu& menu(int index) const { return *m_window->menuBar()->actions().at(index)->menu(); }

    void press(const QKeySequence& keys) { QTest::keySequence(m_window.get(), keys); }

private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void init() {
        m_routed.clear();
        m_harness = std::make_unique<ModelHarness>();
        m_router = std::make_unique<AppActionRouter>();
        m_delegate = std::make_unique<CompanionApplicationDelegate>(m_harness->preferences);
        m_termination =
            std::make_unique<CompanionTerminationCommands>(*m_harness->model, *m_router, *m_delegate);
        m_companion =
            std::make_unique<CompanionCommandMenu>(*m_harness->model, *m_router, m_harness->platform);
        m_window = std::make_unique<QMainWindow>();
        m_window->setMenuBar(new CompanionMenuBar(*m_termination, *m_companion));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void quitItemsFollowKeepRunningAndTheTray_data() {
        QTest::addColumn<bool>("keepRunning");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("routerWired");
        QTest::addColumn<QStringList>("menuItems");
        QTest::addColumn<QStringList>("ctrlQThenAltCtrlQ"); // what each reached
        QTest::addColumn<bool>("windowStaysOpen");
        const QStringList closeAndQuit{u"Close to Menu Bar\tCtrl+Q"_qs,
                                       u"Quit Vendrilo Connect\tCtrl+Alt+Q"_qs};
        const QStringList quitOnly{u"Quit Vendrilo Connect\tCtrl+Q"_qs};
        QTest::newRow("keep running")
            << true << true << true << closeAndQuit << QStringList{"close", "quit"} << true;
        QTest::newRow("quit for real") << false << true << true << quitOnly << QStringList{"quit"} << true;
        QTest::newRow("keep running without a tray")
            << true << false << true << quitOnly << QStringList{"quit"} << true;
        // Unwired, "Close to Menu Bar" does nothing and quitting is judged by
        // the stored preference (keep running: the windows close).
        QTest::newRow("keep running, router not wired yet")
            << true << true << false << closeAndQuit << QStringList{} << false;
    }
    void quitItemsFollowKeepRunningAndTheTray() {
        QFETCH(bool, keepRunning);
        QFETCH(bool, tray);
        QFETCH(bool, routerWired);
        if (routerWired) {
            wireRouter();
        }
        // Flipped after the menus exist: they follow the change.
        m_harness->model->setKeepRunningInMenuBarWhenQuitting(keepRunning);
        m_delegate->setTrayAvailable(tray);
        QTEST(items(menu(0)), "menuItems");

        QSignalSpy terminated(m_delegate.get(), &CompanionApplicationDelegate::readyToTerminate);
        press(QKeySequence(u"Ctrl+Q"_qs));
        press(QKeySequence(u"Alt+Ctrl+Q"_qs));
        QTEST(m_routed, "ctrlQThenAltCtrlQ");
        QTEST(m_window->isVisible(), "windowStaysOpen");
        QCOMPARE(terminated.count(), 0);
    }

    void companionMenuReachesItsActions_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QStringList>("routed");
        QTest::addColumn<QString>("revealedOrOpened");
        QTest::newRow("Open Dashboard") << "Open Dashboard"
                                        << "Alt+Ctrl+1" << QStringList{"dashboard"} << "";
        QTest::newRow("Settings") << "Settings…"
                                  << "Ctrl+," << QStringList{"foreground", "settings"} << "";
        QTest::newRow("Open Browser Dashboard")
            << "Open Browser Dashboard"
            << "" << QStringList{} << CompanionPaths::dashboardBaseURL().toString();
        QTest::newRow("Reveal Logs") << "Reveal Logs"
                                     << "" << QStringList{} << CompanionPaths::runtimeLog();
        QTest::newRow("Reveal Data Folder") << "Reveal Data Folder"
                                            << "" << QStringList{} << CompanionPaths::runtimeDataDirectory();
    }
    void companionMenuReachesItsActions() {
        QFETCH(QString, item);
        QFETCH(QString, shortcut);
        wireRouter();
        QCOMPARE(menu(1).title(), u"Companion"_qs);
        QCOMPARE(items(menu(1)), (QStringList{u"Open Dashboard\tCtrl+Alt+1"_qs, u"Settings…\tCtrl+,"_qs,
                                              u"Open Browser Dashboard\t"_qs, u"-"_qs, u"Reveal Logs\t"_qs,
                                              u"Reveal Data Folder\t"_qs, u"-"_qs, u"Restart Runtime\t"_qs}));
        const auto actions = menu(1).actions();
        const auto found =
            std::find_if(actions.begin(), actions.end(), [&](auto* a) { return a->text() == item; });
        QVERIFY(found != actions.end());
        if (shortcut.isEmpty()) {
            (*found)->trigger();
        } else {
            press(QKeySequence(shortcut));
        }
        QTEST(m_routed, "routed");
        const QStringList effects =
            m_harness->platform.revealed + QUrl::toStringList(m_harness->platform.opened);
        QTEST(effects.value(0), "revealedOrOpened");
    }
};

QTEST_MAIN(TestCommandMenus)
#include "tst_commandmenus.moc"
