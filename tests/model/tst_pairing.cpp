#include "ModelHarness.h"
#include "model/PairingQRCodeRenderer.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QTest>

namespace {

QByteArray linkFor(const QString& code, const QString& webUrl = {}) {
    return WireCoding::encode(
        PairingLinkPayload{code, webUrl.isEmpty() ? u"https://vendrilo.app/pair/"_qs + code : webUrl,
                           u"vendrilo://pair/"_qs + code, u"runtime"_qs, QString()});
}

// The runtime reports this pairing state from now on; refreshes and tells where the popup is.
QString popupAfterRefresh(ModelHarness& harness, PairingStatus status, const QString& code = {}) {
    harness.serve(CannedRuntimeServer::snapshot(status, code));
    harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, linkFor(code), {}});
    if (!harness.refresh()) {
        return u"refresh failed"_qs;
    }
    return harness.model->isPairingOverlayPresented() ? u"open"_qs : u"closed"_qs;
}

} // namespace

class TestPairing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void theLinkIsFetchedOncePerCodeAndAgainAfterAFailure() {
        ModelHarness harness;
        auto& model = *harness.model;
        harness.serve(CannedRuntimeServer::snapshot(PairingStatus::Pending, u"ABC-123"_qs));
        harness.server.setAnswer(u"/v1/pairing/link"_qs, {500, "not yet", {}});
        QVERIFY(harness.refresh());
        QCOMPARE(std::tuple(model.pairingLink(), model.pairingQRCode()),
                 std::tuple(std::nullopt, std::nullopt));

        harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, linkFor(u"ABC-123"_qs), {}});
        QVERIFY(harness.refresh());
        QVERIFY(harness.refresh());
        QCOMPARE(harness.server.count(u"/v1/pairing/link"_qs, u"code=ABC-123"_qs), 2);
        QCOMPARE(model.pairingLink()->webUrl, u"https://vendrilo.app/pair/ABC-123"_qs);
        QCOMPARE(model.pairingQRCode()->size(), QSize(220, 220));
        QCOMPARE(PairingQRCodeRenderer::image(u" \n\t"_qs, 220), std::nullopt);

        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Pending, u"XYZ 9"_qs), u"closed"_qs);
        QCOMPARE(harness.server.count(u"/v1/pairing/link"_qs, u"code=XYZ 9"_qs), 1);
        QCOMPARE(model.pairingLink()->code, u"XYZ 9"_qs);

        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Paired), u"closed"_qs);
        QCOMPARE(std::tuple(model.pairingLink(), model.pairingQRCode()),
                 std::tuple(std::nullopt, std::nullopt));
        QVERIFY(model.isPaired() && !model.isPairingPending());
    }

    void thePopupOpensOncePerNewCodeAfterTheGuidedSetup() {
        ModelHarness harness({.setupCompleted = true, .guidedExperienceCompleted = true});
        auto& model = *harness.model;
        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Pending, u"AAA"_qs), u"open"_qs);
        model.setPairingOverlayPresented(false); // the user closes it
        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Pending, u"AAA"_qs), u"closed"_qs);
        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Pending, u"BBB"_qs), u"open"_qs);
        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Paired), u"closed"_qs);
        model.presentPairingOverlay(); // nothing pending: nothing to show
        QVERIFY(!model.isPairingOverlayPresented());
        // The same code pending again after the popup closed on its own opens it again.
        QCOMPARE(popupAfterRefresh(harness, PairingStatus::Pending, u"BBB"_qs), u"open"_qs);

        // During the guided setup only the user opens it, and a refresh closes it.
        ModelHarness guided;
        QCOMPARE(popupAfterRefresh(guided, PairingStatus::Pending, u"AAA"_qs), u"closed"_qs);
        guided.model->presentPairingOverlay();
        QVERIFY(guided.model->isPairingOverlayPresented());
        QCOMPARE(popupAfterRefresh(guided, PairingStatus::Pending, u"AAA"_qs), u"closed"_qs);
    }

    // The link comes from another process: only web addresses go to the desktop.
    void copyAndOpenNeedSomethingToCopyOrOpen_data() {
        QTest::addColumn<QString>("webUrl");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << u"https://vendrilo.app/pair/AAA"_qs << true;
        QTest::newRow("http") << u"http://192.168.1.20:46901/pair/AAA"_qs << true;
        QTest::newRow("a local file") << u"file:///etc/passwd"_qs << false;
        QTest::newRow("another program's scheme") << u"vendrilo-helper://run?x=1"_qs << false;
    }
    void copyAndOpenNeedSomethingToCopyOrOpen() {
        QFETCH(QString, webUrl);
        QFETCH(bool, opens);
        ModelHarness harness;
        auto& model = *harness.model;
        model.copyPairingCode();
        model.copyPairingLink();
        model.openPairingLink();
        QVERIFY(harness.platform.copied.isEmpty() && harness.platform.opened.isEmpty());
        QCOMPARE(model.noticeMessage(), std::nullopt);

        harness.serve(CannedRuntimeServer::snapshot(PairingStatus::Pending, u"AAA"_qs));
        harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, linkFor(u"AAA"_qs, webUrl), {}});
        QVERIFY(harness.refresh());
        model.copyPairingCode();
        QCOMPARE(model.noticeMessage(), u"Pairing code copied."_qs);
        model.copyPairingLink();
        QCOMPARE(model.noticeMessage(), u"Pairing link copied."_qs);
        QCOMPARE(harness.platform.copied, (QStringList{u"AAA"_qs, webUrl}));
        model.openPairingLink();
        QCOMPARE(harness.platform.opened, opens ? QList<QUrl>{QUrl(webUrl)} : QList<QUrl>());
    }
};

QTEST_GUILESS_MAIN(TestPairing)
#include "tst_pairing.moc"
