#include "ModelHarness.h"
#include "UiTheme.h"
#include "supervision/CompanionPaths.h"
#include "ui/entry/CompanionWindow.h"
#include "ui/entry/VendriloConnectApp.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

// One way of quitting: the stored keep-running choice ("" = none), whether a
// tray is there, how, the first menu's quit items, and what follows.
struct QuitCase {
    QString stored;
    bool tray = true;
    QString how, quitItems;
    bool closedToTheTray = false, quitAfterShutdown = false;
};

// The application as a whole on the offscreen platform, against a canned
// runtime: windows, the ways of quitting, the background start.
class TestEntry : public QObject {
    Q_OBJECT

    std::unique_ptr<ModelHarness> m_harness;
    std::unique_ptr<VendriloConnectApp> m_app;

    VendriloConnectApp& makeApp(VendriloConnectApp::Options options = {}) {
        m_harness = std::make_unique<ModelHarness>();
        m_harness->serve();
        ModelHarness& h = *m_harness;
        m_app = std::make_unique<VendriloConnectApp>(
            CompanionAppModel::Collaborators{
                .processController = h.processController,
                .platform = h.platform,
                .preferences = h.preferences,
                .computerName = u"Study Computer"_qs,
                .applicationVersion = u"1.0.0"_qs,
                .runtimeBaseURL = h.server.baseURL(),
                .deviceName = MacDeviceName({u"Study Computer"_qs, u"janes-box"_qs, {}}),
                .manifestURL = h.server.baseURL().resolved(QUrl(u"/feed.json"_qs))},
            ModelHarness::fastSettings(), options);
        return *m_app;
    }
    // Visible items as "title<TAB>shortcut", separators as "-".
    static QStringList menuItems(const QMenu& menu) {
        QStringList items;
        for (const QAction* action : menu.actions()) {
            if (action->isVisible()) {
                items.append(action->isSeparator()
                                 ? u"-"_qs
                                 : action->text() + u'\t' +
                                       action->shortcut().toString(QKeySequence::PortableText));
            }
        }
        return items;
    }
    int runtimeReads() const { return m_harness->server.count(u"/v1/runtime"_qs); }
    static bool isOpen(const QWidget* window) { return window && window->isVisible(); }

private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        UiTheme::useFusion();
    }
    void cleanup() {
        // A start-up still talking to the runtime must not outlive the runtime's stand-in.
        QTRY_VERIFY(!m_app->model().isBusy());
        m_app.reset();
        m_harness.reset();
    }

    void launchOpensTheDashboardAndStartsTheModelOnce_data() {
        QTest::addColumn<bool>("settingsFirst");
        QTest::newRow("dashboard first") << false;
        QTest::newRow("settings first") << true;
    }
    void launchOpensTheDashboardAndStartsTheModelOnce() {
        QFETCH(bool, settingsFirst);
        VendriloConnectApp& app = makeApp();
        if (settingsFirst) {
            app.router().openSettings();
        } else {
            app.start();
        }
        QTRY_VERIFY(app.model().lastUpdated().has_value() && !app.model().isBusy());
        const int reads = runtimeReads();
        // The other window, and the first again: one window each, no second start.
        for (int round = 0; round < 2; ++round) {
            app.router().openDashboard();
            app.router().openSettings();
        }
        QTest::qWait(50);
        QCOMPARE(runtimeReads(), reads);

        const CompanionWindow* dashboard = app.dashboardWindow();
        QVERIFY(isOpen(dashboard) && isOpen(app.settingsWindow()));
        QCOMPARE(dashboard->windowTitle(), u"Vendrilo Connect"_qs);
        QCOMPARE(dashboard->centralWidget()->size(), QSize(1180, 820));
        QCOMPARE(dashboard->centralWidget()->minimumSize(), QSize(920, 680));
        QCOMPARE(app.settingsWindow()->centralWidget()->minimumSize(), QSize(760, 620));
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](const QWidget* w) {
                                   return w->isVisible() && qobject_cast<const CompanionWindow*>(w);
                               }),
                 2);
    }

    void everyQuitGoesThroughTheDelegate_data() {
        QTest::addColumn<QuitCase>("c");
        const QString both = u"Close to Menu Bar\tCtrl+Q|Quit Vendrilo Connect\tCtrl+Alt+Q"_qs;
        const QString quitOnly = u"Quit Vendrilo Connect\tCtrl+Q"_qs;
        QTest::newRow("Ctrl+Q, fresh install") << QuitCase{{}, true, u"Ctrl+Q"_qs, both, true, false};
        QTest::newRow("Ctrl+Q, keep running off")
            << QuitCase{u"false"_qs, true, u"Ctrl+Q"_qs, quitOnly, false, true};
        QTest::newRow("Ctrl+Q without a tray") << QuitCase{{}, false, u"Ctrl+Q"_qs, quitOnly, false, true};
        QTest::newRow("Alt+Ctrl+Q") << QuitCase{u"true"_qs, true, u"Alt+Ctrl+Q"_qs, both, false, true};
        QTest::newRow("Close to Menu Bar item") << QuitCase{{}, true, u"item 0"_qs, both, true, false};
        QTest::newRow("Quit Vendrilo Connect item")
            << QuitCase{u"true"_qs, true, u"item 1"_qs, both, false, true};
        QTest::newRow("the tray's quit row")
            << QuitCase{u"true"_qs, true, u"tray quit"_qs, both, false, true};
        QTest::newRow("the update installation")
            << QuitCase{u"true"_qs, true, u"full termination"_qs, both, false, true};
        QTest::newRow("the session ends") << QuitCase{u"true"_qs, true, u"quit event"_qs, both, false, true};
        QTest::newRow("title-bar close button")
            << QuitCase{u"false"_qs, true, u"close button"_qs, quitOnly, false, false};
    }
    void everyQuitGoesThroughTheDelegate() {
        QFETCH(QuitCase, c);
        VendriloConnectApp& app = makeApp();
        if (!c.stored.isEmpty()) {
            app.model().setKeepRunningInMenuBarWhenQuitting(c.stored == u"true");
        }
        app.delegate().setTrayAvailable(c.tray);
        app.start();
        const QPointer<CompanionWindow> window = app.dashboardWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QSignalSpy terminated(&app.delegate(), &CompanionApplicationDelegate::readyToTerminate);
        QMenu& first = *window->menuBar()->actions().at(0)->menu();
        QCOMPARE(menuItems(first).join(u'|'), c.quitItems);

        if (c.how.startsWith(u"item ")) {
            first.actions().at(c.how.mid(5).toInt())->trigger();
        } else if (c.how == u"tray quit") {
            app.router().quitCompletelyAction();
        } else if (c.how == u"full termination") {
            app.model().requestFullTermination();
        } else if (c.how == u"quit event") {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        } else if (c.how == u"close button") {
            window->close();
        } else {
            QTest::keySequence(window, QKeySequence(c.how));
        }
        QTRY_COMPARE(terminated.count(), int(c.quitAfterShutdown));
        // A closed window is released, not kept hidden.
        const bool closed = c.closedToTheTray || c.how == u"close button";
        QCOMPARE(isOpen(window), !closed);
        QTRY_COMPARE(window.isNull(), closed);
    }

    void companionMenuReachesItsActions_data() {
        QTest::addColumn<bool>("fromSettings"); // else from the dashboard
        QTest::addColumn<QString>("itemOrKeys");
        QTest::addColumn<QString>("effect"); // the window opened, or what the desktop was asked to show
        QTest::newRow("Open Dashboard") << true << u"Ctrl+Alt+1"_qs << u"dashboard"_qs;
        QTest::newRow("Settings…") << false << u"Ctrl+,"_qs << u"settings"_qs;
        QTest::newRow("Open Browser Dashboard")
            << false << u"Open Browser Dashboard"_qs << CompanionPaths::dashboardBaseURL().toString();
        QTest::newRow("Reveal Logs") << false << u"Reveal Logs"_qs << CompanionPaths::runtimeLog();
        QTest::newRow("Reveal Data Folder")
            << true << u"Reveal Data Folder"_qs << CompanionPaths::runtimeDataDirectory();
    }
    void companionMenuReachesItsActions() {
        QFETCH(bool, fromSettings);
        QFETCH(QString, itemOrKeys);
        QFETCH(QString, effect);
        VendriloConnectApp& app = makeApp();
        fromSettings ? app.router().openSettings() : app.start();
        CompanionWindow* window = fromSettings ? app.settingsWindow() : app.dashboardWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QMenu& menu = *window->menuBar()->actions().at(1)->menu();
        QCOMPARE(menu.title(), u"Companion"_qs);
        QCOMPARE(menuItems(menu),
                 (QStringList{u"Open Dashboard\tCtrl+Alt+1"_qs, u"Settings…\tCtrl+,"_qs,
                              u"Open Browser Dashboard\t"_qs, u"-"_qs, u"Reveal Logs\t"_qs,
                              u"Reveal Data Folder\t"_qs, u"-"_qs, u"Restart Runtime\t"_qs}));
        const auto actions = menu.actions();
        const auto item =
            std::find_if(actions.begin(), actions.end(), [&](auto* a) { return a->text() == itemOrKeys; });
        if (item != actions.end()) {
            (*item)->trigger();
        } else {
            QTest::keySequence(window, QKeySequence(itemOrKeys));
        }
        if (effect == u"dashboard" || effect == u"settings") {
            QVERIFY(isOpen(effect == u"dashboard" ? app.dashboardWindow() : app.settingsWindow()));
        } else {
            QCOMPARE((m_harness->platform.revealed + QUrl::toStringList(m_harness->platform.opened)).value(0),
                     effect);
        }
    }

    // A missing tray is explained once, not again when it comes and goes; once
    // there, Ctrl+Q closes to it, and reopening comes back to the same effect.
    void trayComesAndGoes() {
        VendriloConnectApp& app = makeApp();
        app.delegate().setTrayAvailable(false);
        QVERIFY(!app.model().noticeMessage());
        app.start();
        const std::optional<QString> why = app.model().noticeMessage();
        QVERIFY(why && why->contains(u"No system tray"_qs));
        app.model().setNoticeMessage(std::nullopt);
        app.router().openSettings();
        app.delegate().setTrayAvailable(true);
        app.delegate().setTrayAvailable(false);
        QCoreApplication::processEvents();
        QCOMPARE(app.model().noticeMessage(), std::nullopt);

        app.delegate().setTrayAvailable(true);
        QVERIFY(QTest::qWaitForWindowActive(app.settingsWindow()));
        QTest::keySequence(app.dashboardWindow(), QKeySequence(u"Ctrl+Q"_qs));
        QVERIFY(!isOpen(app.dashboardWindow()) && !isOpen(app.settingsWindow()));
        app.delegate().setExplicitTerminationRequested(true);
        app.reopen();
        QVERIFY(isOpen(app.dashboardWindow()));
        QVERIFY(!app.delegate().explicitTerminationRequested());
        QVERIFY(QTest::qWaitForWindowActive(app.dashboardWindow()));
        QTest::keySequence(app.dashboardWindow(), QKeySequence(u"Ctrl+Q"_qs));
        QVERIFY(!isOpen(app.dashboardWindow()));
    }

    void backgroundStartWaitsForATray_data() {
        QTest::addColumn<bool>("trayAppears");
        QTest::newRow("a tray appears in time: no window") << true;
        QTest::newRow("no tray: the dashboard opens") << false;
    }
    void backgroundStartWaitsForATray() {
        QFETCH(bool, trayAppears);
        VendriloConnectApp& app = makeApp({.background = true, .trayWait = 100ms});
        app.start();
        QVERIFY(!app.dashboardWindow());
        if (trayAppears) {
            app.delegate().setTrayAvailable(true);
        }
        // The runtime starts without a window.
        QTRY_VERIFY(app.model().lastUpdated().has_value());
        QTest::qWait(300);
        QCOMPARE(isOpen(app.dashboardWindow()), !trayAppears);
    }

    // Written beside the test for people to look at; checked for the palette.
    void screenshotOfTheDashboardWindow_data() { UiTheme::addThemeRows(); }
    void screenshotOfTheDashboardWindow() {
        QFETCH(QString, theme);
        const auto restore = UiTheme::use(theme);
        VendriloConnectApp& app = makeApp();
        app.start();
        QTRY_VERIFY(app.model().lastUpdated().has_value());
        QVERIFY(UiTheme::save(*app.dashboardWindow(), u"dashboard-window-"_qs + theme));
        const QImage shot = app.dashboardWindow()->grab().toImage();
        const QRect menuBar = app.dashboardWindow()->menuBar()->geometry();
        QCOMPARE(shot.pixelColor(menuBar.right() - 4, menuBar.center().y()).lightness() < 128,
                 theme == u"dark");
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
