#include "DashboardFixture.h"
#include "runtime/WireCoding.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusBanner.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/dashboard/CompanionBootstrapView.h"
#include "ui/dashboard/CompanionClientsEmptyState.h"
#include "ui/dashboard/CompanionDashboardClientRow.h"
#include "ui/dashboard/CompanionOperationalDashboardView.h"
#include "ui/dashboard/DashboardClientsSection.h"
#include "ui/dashboard/DashboardToolbar.h"
#include "ui/pairing/CompanionPairingOverlay.h"

#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

class DashboardWindowTest : public QObject {
    Q_OBJECT

    static DashboardClientsSection& clients(DashboardFixture& f) {
        return *f.view.operationalView()->clientsSection();
    }
    static QString shownBanner(DashboardFixture& f) {
        return f.view.banner()->isVisibleTo(&f.view) ? f.view.banner()->title() : QString();
    }

private Q_SLOTS:
    void initTestCase() { DashboardFixture::prepareApplication(); }

    void pagesFollowTheStartUp_data() {
        QTest::addColumn<bool>("runtimeAnswers");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("placeholder");
        QTest::addColumn<QString>("banner");
        QTest::newRow("before the first record") << true << false << true << QString();
        QTest::newRow("started: dashboard") << true << true << false << QString();
        QTest::newRow("start-up failed: error banner, no placeholder")
            << false << true << false << u"Needs attention"_qs;
    }
    void pagesFollowTheStartUp() {
        QFETCH(bool, runtimeAnswers);
        QFETCH(bool, shown);
        QFETCH(bool, placeholder);
        DashboardFixture f;
        if (runtimeAnswers) {
            f.harness.serve(DashboardFixture::pairedSnapshot());
        }
        QVERIFY(f.view.bootstrapView()->isVisibleTo(&f.view));
        if (shown) {
            f.show(); // the first show starts the model
            QTRY_VERIFY_WITH_TIMEOUT(f.model.runtime() || f.model.errorMessage(), 20000);
            f.settle();
        }
        QCOMPARE(f.view.bootstrapView()->isVisibleTo(&f.view), placeholder);
        QCOMPARE(f.view.operationalView()->isVisibleTo(&f.view), !placeholder);
        QTEST(shownBanner(f), "banner");
        // No clients yet: the empty state, and nothing to test.
        QCOMPARE(clients(f).emptyState()->isVisibleTo(&f.view), !placeholder);
        QCOMPARE(clients(f).testAllButton()->isEnabled(), false);
    }

    void guidedSetupUntilFinished() {
        DashboardFixture f(ModelHarness::Options{});
        f.serveAndRefresh(CannedRuntimeServer::snapshot());
        f.show();
        QVERIFY(f.view.guidedOnboardingView()->isVisibleTo(&f.view));
        QVERIFY(!f.view.operationalView()->isVisibleTo(&f.view));
        f.saveScreenshot(u"dashboard-guided-setup-light"_qs);
        f.model.finishGuidedExperience();
        QVERIFY(!f.view.guidedOnboardingView()->isVisibleTo(&f.view));
        QVERIFY(f.view.operationalView()->isVisibleTo(&f.view));
    }

    void theErrorHidesTheNoticeUntilDismissed_data() {
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<std::optional<QString>>("notice");
        QTest::addColumn<QStringList>("bannersUntilEmpty");
        QTest::newRow("both") << std::optional(u"Runtime unreachable."_qs) << std::optional(u"Saved."_qs)
                              << QStringList{u"Needs attention"_qs, u"Done"_qs};
        QTest::newRow("notice only") << std::optional<QString>() << std::optional(u"Saved."_qs)
                                     << QStringList{u"Done"_qs};
        QTest::newRow("blank error") << std::optional(u"  \n"_qs) << std::optional(u"Saved."_qs)
                                     << QStringList{u"Done"_qs};
    }
    void theErrorHidesTheNoticeUntilDismissed() {
        QFETCH(std::optional<QString>, error);
        QFETCH(std::optional<QString>, notice);
        DashboardFixture f;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot());
        f.model.setNoticeMessage(notice);
        f.model.setErrorMessage(error);
        QStringList seen;
        while (!shownBanner(f).isEmpty() && seen.size() < 4) {
            seen.append(shownBanner(f));
            f.view.banner()->dismissButton()->click();
        }
        QTEST(seen, "bannersUntilEmpty");
    }

    void clientRowsReadTheirState_data() {
        QTest::addColumn<QString>("authState");
        QTest::addColumn<std::optional<QString>>("lastError");
        QTest::addColumn<QString>("status");
        QTest::addColumn<StatusTint>("tint");
        const std::optional<QString> none;
        QTest::newRow("needs_login") << u"needs_login"_qs << none << u"Needs Login"_qs
                                     << StatusTint::Secondary;
        QTest::newRow("OK in capitals, spaced") << u" OK "_qs << none << u"Reachable"_qs << StatusTint::Green;
        QTest::newRow("ok, empty error")
            << u"ok"_qs << std::optional(QString()) << u"Reachable"_qs << StatusTint::Green;
        QTest::newRow("ok with an error")
            << u"ok"_qs << std::optional(u"timeout"_qs) << u"Needs Attention"_qs << StatusTint::Orange;
        QTest::newRow("any state with an error")
            << u"needs_login"_qs << std::optional(u" "_qs) << u"Needs Attention"_qs << StatusTint::Orange;
        QTest::newRow("no state") << QString() << none << u"Unknown"_qs << StatusTint::Secondary;
    }
    void clientRowsReadTheirState() {
        QFETCH(QString, authState);
        QFETCH(std::optional<QString>, lastError);
        QFETCH(QString, status);
        QFETCH(StatusTint, tint);
        DashboardFixture f;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot(
            {DashboardFixture::client(u"c1"_qs, u"Seedbox"_qs, authState, lastError)}));
        QCOMPARE(clients(f).rows().size(), 1);
        const CompanionDashboardClientRow* row = clients(f).rows().first();
        QCOMPARE(std::pair(row->statusPill()->title(), row->statusPill()->tint()), std::pair(status, tint));
        QCOMPARE(row->errorText() && row->errorText()->isVisibleTo(row),
                 !lastError.value_or(QString()).isEmpty());
        QCOMPARE(row->addressText()->text(), u"qBittorrent • http://localhost:8080"_qs);
    }

    // Every control named, tabbing in reading order; a refresh keeps the rows,
    // reorders them and updates them in place.
    void controlsAndRowsAcrossARefresh() {
        DashboardFixture f;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot(
            {DashboardFixture::client(u"b"_qs, u"beta"_qs), DashboardFixture::client(u"a"_qs, u"Alpha"_qs)}));
        f.show();
        f.model.setErrorMessage(u"Runtime unreachable."_qs);
        QStringList chain;
        QWidget* start = f.view.toolbar()->refreshButton();
        QWidget* widget = start;
        do {
            if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
                f.view.isAncestorOf(widget) && !f.view.pairingOverlay()->isAncestorOf(widget)) {
                chain.append(UiTheme::spokenName(widget));
            }
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(chain.join(u" | "_qs), u"Refresh | Dismiss | Open Browser Dashboard | Unpair | Test All | "
                                        u"Add Client | More actions for Alpha | More actions for beta"_qs);
        QVERIFY(!clients(f).emptyState()->isVisibleTo(&f.view));

        const auto before = clients(f).rows();
        f.serveAndRefresh(DashboardFixture::pairedSnapshot(
            {DashboardFixture::client(u"b"_qs, u"beta"_qs, u"ok"_qs, u"refused"_qs),
             DashboardFixture::client(u"a"_qs, u"gamma"_qs),
             DashboardFixture::client(u"c"_qs, u"Delta"_qs)}));
        const auto after = clients(f).rows();
        QCOMPARE(after.size(), 3);
        // beta, Delta, gamma: the two old rows kept, moved and updated in place.
        QCOMPARE(after.at(0), before.at(1));
        QCOMPARE(after.at(2), before.at(0));
        QCOMPARE(after.at(0)->errorText()->text(), u"refused"_qs);
        QCOMPARE(after.at(2)->labelText()->text(), u"gamma"_qs);
        QCOMPARE(after.at(1)->labelText()->text(), u"Delta"_qs);
    }

    void rowMenuAndToolbarReachTheModel() {
        DashboardFixture f;
        f.serveAndRefresh(
            DashboardFixture::pairedSnapshot({DashboardFixture::client(u"c1"_qs, u"Seedbox"_qs)}));
        CompanionDashboardClientRow* row = clients(f).rows().first();
        QMenu* menu = row->createMenu();
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 4);
        QVERIFY(actions.at(2)->isSeparator());
        actions.at(0)->trigger();
        QCOMPARE(f.model.clientDraft().value().clientID, u"c1"_qs);
        f.model.setClientDraft(std::nullopt);
        f.harness.server.setAnswer(u"/v1/clients/delete"_qs,
                                   {200, QByteArrayLiteral(R"({"deleted":true})"), {}});
        actions.at(3)->trigger();
        QTRY_COMPARE(f.harness.server.count(u"/v1/clients/delete"_qs), 1);
        QTRY_VERIFY(!f.model.isBusy());

        // Refresh is refused while busy and gives way to a spinner while refreshing.
        DashboardToolbar* toolbar = f.view.toolbar();
        f.harness.server.setAnswer(u"/v1/runtime"_qs,
                                   {200, WireCoding::encode(DashboardFixture::pairedSnapshot()), 300ms});
        f.show();
        QVERIFY(toolbar->refreshButton()->isEnabled());
        toolbar->refreshButton()->click();
        QTRY_VERIFY(toolbar->refreshingIndicator()->isVisible());
        QVERIFY(!toolbar->refreshButton()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!f.model.isBusy() && !f.model.isRefreshing(), 10000);
        QVERIFY(toolbar->refreshButton()->isVisible() && toolbar->refreshButton()->isEnabled());
    }

    void longAndForeignContentStaysInsideTheWindow() {
        DashboardFixture f;
        QList<ClientConfig> list;
        const QString longLabel = QString(200, u'W');
        list.append(DashboardFixture::client(u"long"_qs, longLabel, u"ok"_qs, QString(200, u'E')));
        for (int i = 0; i < 299; ++i) {
            list.append(
                DashboardFixture::client(u"id%1"_qs.arg(i), u"Client %1"_qs.arg(i, 3, 10, QLatin1Char('0'))));
        }
        RuntimeSnapshot snapshot = DashboardFixture::pairedSnapshot(list);
        snapshot.identity.displayName = u"東京のスタジオ・ミキサー室"_qs;
        QList<DiagnosticEvent> diagnostics;
        for (int i = 0; i < 20; ++i) {
            diagnostics.append(CannedRuntimeServer::diagnostic(QString(120, QChar(u'ش' + i % 5))));
            diagnostics.last().id = QString::number(i);
        }
        f.harness.serve(snapshot);
        f.harness.server.setAnswer(u"/v1/diagnostics"_qs, {200, WireCoding::encodeList(diagnostics), {}});
        f.harness.refresh();
        f.show();
        f.model.setErrorMessage(QString(200, u'x'));
        f.view.resize(480, 900);
        f.settle();
        QCOMPARE(clients(f).rows().size(), 300);
        const QScrollArea* scroll = f.view.scrollArea();
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        QVERIFY(scroll->widget()->width() <= scroll->viewport()->width());
        for (const CompanionDashboardClientRow* row : {clients(f).rows().first(), clients(f).rows().last()}) {
            const QRect inWindow(row->mapTo(&f.view, QPoint(0, 0)), row->size());
            QVERIFY(inWindow.right() <= f.view.width());
        }
        f.saveScreenshot(u"dashboard-narrow-light"_qs);
        const auto rows = clients(f).rows();
        f.harness.refresh();
        f.settle();
        QCOMPARE(clients(f).rows(), rows);
        f.view.scrollArea()->ensureWidgetVisible(clients(f).rows().last());
        f.settle();
        f.saveScreenshot(u"dashboard-long-rows-light"_qs);
    }

    void screenshots_data() { UiTheme::addThemeRows(); }
    void screenshots() {
        QFETCH(QString, theme);
        const auto restore = UiTheme::use(theme);
        {
            DashboardFixture f; // no runtime answers: caught while starting
            f.view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f.view));
            f.saveScreenshot(u"dashboard-starting-"_qs + theme);
        }
        DashboardFixture f;
        QList<ClientConfig> list{DashboardFixture::client(u"a"_qs, u"Living-room NAS"_qs),
                                 DashboardFixture::client(u"b"_qs, u"Seedbox"_qs, u"needs_login"_qs),
                                 DashboardFixture::client(u"c"_qs, u"Old laptop"_qs, u"ok"_qs,
                                                          u"Connection refused by 192.168.1.40:9091"_qs)};
        list[1].type = ClientType::Deluge;
        list[2].type = ClientType::Transmission;
        f.serveAndRefresh(DashboardFixture::pairedSnapshot(list));
        f.show();
        f.saveScreenshot(u"dashboard-paired-"_qs + theme);
        f.model.setErrorMessage(u"The companion runtime is not reachable on 127.0.0.1:46901."_qs);
        f.settle();
        f.saveScreenshot(u"dashboard-error-"_qs + theme);
        f.serveAndRefresh(CannedRuntimeServer::snapshot());
        f.model.setNoticeMessage(u"Companion status refreshed."_qs);
        f.settle();
        f.saveScreenshot(u"dashboard-unpaired-"_qs + theme);
    }
};

QTEST_MAIN(DashboardWindowTest)
#include "tst_dashboardwindow.moc"
