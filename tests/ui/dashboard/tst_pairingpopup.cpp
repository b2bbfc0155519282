#include "DashboardFixture.h"
#include "ui/components/CompanionLabel.h"
#include "ui/pairing/CompanionPairingOverlay.h"
#include "ui/pairing/PairingQRCodeView.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

// The countdown is read against a fixed clock; the runtime's expiry is set
// relative to it.
class PairingPopupTest : public QObject {
    Q_OBJECT

    static const QDateTime& now() {
        static const QDateTime fixed = QDateTime::currentDateTimeUtc().addSecs(3600);
        return fixed;
    }
    static CompanionPairingOverlay& popup(DashboardFixture& f) { return *f.view.pairingOverlay(); }
    template <typename T> static T* part(DashboardFixture& f, const char* name) {
        return popup(f).findChild<T*>(QString::fromLatin1(name));
    }
    static void presentPending(DashboardFixture& f, qint64 millisecondsLeft) {
        popup(f).setClock([] { return now(); });
        f.servePendingPairing(now().addMSecs(millisecondsLeft));
        f.show();
        QTRY_VERIFY(f.model.isPairingOverlayPresented() && popup(f).isVisible());
    }

private Q_SLOTS:
    void initTestCase() { DashboardFixture::prepareApplication(); }

    void countdownTextAndColour_data() {
        QTest::addColumn<qint64>("millisecondsLeft");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<StatusTint>>("tint");
        QTest::newRow("0.2 s") << qint64(200) << u"00:01 remaining"_qs << std::optional(StatusTint::Orange);
        QTest::newRow("60 s") << qint64(60000) << u"01:00 remaining"_qs << std::optional(StatusTint::Orange);
        QTest::newRow("61 s") << qint64(61000) << u"01:01 remaining"_qs << std::optional<StatusTint>();
        QTest::newRow("3599 s") << qint64(3599000) << u"59:59 remaining"_qs << std::optional<StatusTint>();
        QTest::newRow("3600 s") << qint64(3600000) << u"1:00:00 remaining"_qs << std::optional<StatusTint>();
        QTest::newRow("expired") << qint64(-5000) << u"Code expired"_qs << std::optional(StatusTint::Red);
    }
    void countdownTextAndColour() {
        QFETCH(qint64, millisecondsLeft);
        QFETCH(QString, text);
        QFETCH(std::optional<StatusTint>, tint);
        DashboardFixture f;
        presentPending(f, millisecondsLeft);
        auto* countdown = part<CompanionLabel>(f, "pairingCountdown");
        QCOMPARE(countdown->text(), text);
        QCOMPARE(countdown->tint(), tint);
        QVERIFY(part<CompanionLabel>(f, "pairingExpiry")->text().startsWith(u"Expires at "_qs));
        QCOMPARE(part<QLabel>(f, "pairingCode")->text(), u"482913"_qs);
        QVERIFY(part<PairingQRCodeView>(f, "pairingQRCode")->hasImage());
        QVERIFY(part<QPushButton>(f, "pairingOpenOnPhone")->isEnabled());
    }

    void everyWayOfClosingKeepsPairing_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"Close", "Escape", "backdrop", "Done"}) {
            QTest::newRow(way) << QString::fromLatin1(way);
        }
    }
    void everyWayOfClosingKeepsPairing() {
        QFETCH(QString, way);
        DashboardFixture f;
        presentPending(f, 300000);
        QVERIFY(popup(f).isTicking());
        QVERIFY(f.view.contentArea()->graphicsEffect());
        if (way == u"Close") {
            part<QToolButton>(f, "pairingClose")->click();
        } else if (way == u"Escape") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else if (way == u"backdrop") {
            QTest::mouseClick(&popup(f), Qt::LeftButton, {}, QPoint(3, 3));
        } else {
            // The finished state: the runtime no longer reports a pending code.
            f.serveAndRefresh(DashboardFixture::pairedSnapshot());
            f.model.setPairingOverlayPresented(true);
            QTRY_VERIFY(popup(f).isVisible());
            QVERIFY(!popup(f).isTicking());
            QVERIFY(!part<QPushButton>(f, "pairingOpenOnPhone")->isVisibleTo(&popup(f)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Done is the prominent button
        }
        QVERIFY(!f.model.isPairingOverlayPresented());
        QTRY_VERIFY(!popup(f).isVisible());
        QVERIFY(!popup(f).isTicking());
        QVERIFY(!f.view.contentArea()->graphicsEffect());
        QCOMPARE(f.harness.server.count(u"/v1/pairing/reset"_qs), 0);
        if (way != u"Done") {
            QVERIFY(f.model.isPairingPending());
            f.model.presentPairingOverlay();
            QTRY_VERIFY(popup(f).isVisible() && popup(f).isTicking());
        }
    }

    void keysStayInsideThePopup() {
        DashboardFixture f;
        presentPending(f, 300000);
        QCOMPARE(QApplication::focusWidget(), part<QPushButton>(f, "pairingOpenOnPhone"));
        QStringList names;
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(popup(f).isAncestorOf(focused));
            names.append(UiTheme::spokenName(focused));
        }
        QVERIFY(names.contains(u"Close"_qs));
        QVERIFY(!names.contains(QString()));
        // Return presses the prominent action whatever has focus.
        QTest::keyClick(part<QPushButton>(f, "pairingCopyCode"), Qt::Key_Return);
        QCOMPARE(f.harness.platform.opened.value(0), QUrl(u"https://vendrilo.app/pair/482913"_qs));
    }

    void screenshots_data() { UiTheme::addThemeRows(); }
    void screenshots() {
        QFETCH(QString, theme);
        const auto restore = UiTheme::use(theme);
        DashboardFixture f;
        presentPending(f, 272000);
        f.saveScreenshot(u"popup-pending-"_qs + theme);
        f.view.resize(520, 640);
        f.settle();
        f.saveScreenshot(u"popup-narrow-"_qs + theme);
    }
};

QTEST_MAIN(PairingPopupTest)
#include "tst_pairingpopup.moc"
