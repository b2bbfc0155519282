#include "ModelHarness.h"
#include "model/PairingQRCodeRenderer.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QTest>
#include <qrencode.h>

#include <memory>

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

    // Reads the image back module by module and compares it with the code
    // libqrencode makes of the untrimmed text.
    void theQRCodeIsTheTextsCodeAtWholePixelsCentred() {
        const QString text = u" Jäne’s code "_qs + QString(300, u'x') + u' ';
        const auto image = PairingQRCodeRenderer::image(text, 220);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(220, 220));
        const QByteArray bytes = text.toUtf8();
        const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
            QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.data()), 0,
                              QR_ECLEVEL_M),
            &QRcode_free);
        QVERIFY(code);
        // The top-left finder pattern is a 7-module black run: it gives offset and scale.
        int offset = 0;
        while (qGray(image->pixel(offset, offset)) > 128) {
            ++offset;
        }
        int run = 0;
        while (qGray(image->pixel(offset + run, offset)) < 128) {
            ++run;
        }
        QCOMPARE(run % 7, 0);
        const int scale = run / 7;
        QVERIFY(std::abs((220 - scale * code->width) - 2 * offset) <= 1);
        for (int y = 0; y < code->width; ++y) {
            for (int x = 0; x < code->width; ++x) {
                const bool dark =
                    qGray(image->pixel(offset + x * scale + scale / 2, offset + y * scale + scale / 2)) < 128;
                QCOMPARE(dark, bool(code->data[y * code->width + x] & 1));
            }
        }
        QCOMPARE(PairingQRCodeRenderer::image(u" \n\t"_qs, 220), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestPairing)
#include "tst_pairing.moc"
