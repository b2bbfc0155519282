#include "ModelHarness.h"
#include "model/PairingQRCodeRenderer.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <qrencode.h>

#include <memory>

namespace {

QByteArray linkFor(const QString& code, const QString& webUrl = {}) {
    return WireCoding::encode(
        PairingLinkPayload{code, webUrl.isEmpty() ? u"https://vendrilo.app/pair/"_qs + code : webUrl,
                           u"vendrilo://pair/"_qs + code, u"runtime"_qs, QString()});
}

// The runtime reports this pairing state from now on.
void servePairing(ModelHarness& harness, PairingStatus status, const QString& code = {}) {
    harness.server.serveHealthyRuntime(CannedRuntimeServer::snapshot(status, code),
                                       CannedRuntimeServer::health());
    harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, linkFor(code), {}});
}

ModelHarness::Options afterGuidedSetup(bool completed) {
    ModelHarness::Options options;
    options.setupCompleted = completed;
    options.guidedExperienceCompleted = completed;
    return options;
}

} // namespace

class TestPairing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void theLinkIsFetchedOncePerCodeAndAgainAfterAFailure() {
        ModelHarness harness;
        auto& model = *harness.model;
        servePairing(harness, PairingStatus::Pending, u"ABC-123"_qs);
        harness.server.setAnswer(u"/v1/pairing/link"_qs, {500, "not yet", {}});
        QVERIFY(harness.refresh());
        QCOMPARE(model.pairingLink(), std::nullopt);
        QCOMPARE(model.pairingQRCode(), std::nullopt);

        harness.server.setAnswer(u"/v1/pairing/link"_qs, {200, linkFor(u"ABC-123"_qs), {}});
        QVERIFY(harness.refresh());
        QVERIFY(harness.refresh());
        QCOMPARE(harness.server.count(u"/v1/pairing/link"_qs, u"code=ABC-123"_qs), 2);
        QCOMPARE(model.pairingLink()->webUrl, u"https://vendrilo.app/pair/ABC-123"_qs);
        QCOMPARE(model.pairingQRCode()->size(), QSize(220, 220));

        servePairing(harness, PairingStatus::Pending, u"XYZ 9"_qs);
        QVERIFY(harness.refresh());
        QCOMPARE(harness.server.count(u"/v1/pairing/link"_qs, u"code=XYZ 9"_qs), 1);
        QCOMPARE(model.pairingLink()->code, u"XYZ 9"_qs);

        servePairing(harness, PairingStatus::Paired);
        QVERIFY(harness.refresh());
        QCOMPARE(model.pairingLink(), std::nullopt);
        QCOMPARE(model.pairingQRCode(), std::nullopt);
        QVERIFY(model.isPaired() && !model.isPairingPending());
    }

    void thePopupOpensOncePerNewCodeAfterTheGuidedSetup() {
        ModelHarness harness(afterGuidedSetup(true));
        auto& model = *harness.model;
        servePairing(harness, PairingStatus::Pending, u"AAA"_qs);
        QVERIFY(harness.refresh());
        QVERIFY(model.isPairingOverlayPresented());

        model.setPairingOverlayPresented(false); // the user closes it
        QVERIFY(harness.refresh());
        QVERIFY(!model.isPairingOverlayPresented());

        servePairing(harness, PairingStatus::Pending, u"BBB"_qs);
        QVERIFY(harness.refresh());
        QVERIFY(model.isPairingOverlayPresented());

        servePairing(harness, PairingStatus::Paired);
        QVERIFY(harness.refresh());
        QVERIFY(!model.isPairingOverlayPresented());
        model.presentPairingOverlay(); // nothing pending: nothing to show
        QVERIFY(!model.isPairingOverlayPresented());

        // The same code pending again after the popup closed on its own opens it again.
        servePairing(harness, PairingStatus::Pending, u"BBB"_qs);
        QVERIFY(harness.refresh());
        QVERIFY(model.isPairingOverlayPresented());
    }

    void duringTheGuidedSetupOnlyTheUserOpensThePopup() {
        ModelHarness harness(afterGuidedSetup(false));
        auto& model = *harness.model;
        servePairing(harness, PairingStatus::Pending, u"AAA"_qs);
        QVERIFY(harness.refresh());
        QVERIFY(!model.isPairingOverlayPresented());
        model.presentPairingOverlay();
        QVERIFY(model.isPairingOverlayPresented());
        QVERIFY(harness.refresh());
        QVERIFY(!model.isPairingOverlayPresented());
    }

    void pairingActionsSendTheirRequests_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("nameDraft");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<std::optional<QString>>("notice");
        QTest::newRow("begin with a name")
            << u"begin"_qs << u"  Den \n"_qs << u"/v1/pairing/begin"_qs
            << QJsonObject{{"display_name", "Den"}}
            << std::optional(
                   u"Scan the QR code in Vendrilo on Android or open the pairing link from your phone."_qs);
        QTest::newRow("begin with a blank name sends none")
            << u"begin"_qs << u"   "_qs << u"/v1/pairing/begin"_qs << QJsonObject()
            << std::optional(
                   u"Scan the QR code in Vendrilo on Android or open the pairing link from your phone."_qs);
        QTest::newRow("cancel") << u"cancel"_qs << QString() << u"/v1/pairing/reset"_qs
                                << QJsonObject{{"reason", "macos_app_cancel_pairing"}}
                                << std::optional<QString>();
        QTest::newRow("unpair")
            << u"reset"_qs << QString() << u"/v1/pairing/reset"_qs
            << QJsonObject{{"reason", "macos_app_reset"}}
            << std::optional(
                   u"The companion was unpaired. Pair again from Vendrilo on Android when you are ready."_qs);
    }
    void pairingActionsSendTheirRequests() {
        QFETCH(QString, action);
        QFETCH(QString, nameDraft);
        QFETCH(QString, path);
        QFETCH(QJsonObject, body);
        QFETCH(std::optional<QString>, notice);
        ModelHarness harness;
        auto& model = *harness.model;
        servePairing(harness, PairingStatus::Unpaired);
        const QByteArray state = WireCoding::encode(PairingStatePayload{});
        harness.server.setAnswer(path, {200, state, {}});
        model.beginEditingDisplayName();
        model.setDisplayNameDraft(nameDraft);

        const auto run = [&] {
            return action == u"begin" ? model.beginPairing()
                                      : (action == u"cancel" ? model.cancelPairing() : model.resetPairing());
        };
        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), std::nullopt);
        QCOMPARE(harness.server.count(path), 1);
        QCOMPARE(QJsonDocument::fromJson(harness.server.requests().first().body).object(), body);
        QCOMPARE(harness.server.requests().at(1).path, u"/v1/runtime"_qs); // then a refresh
        QCOMPARE(model.noticeMessage(), notice);
        if (notice) {
            QCOMPARE(model.selectedSection(), DashboardSection::Pairing);
        }

        harness.server.setAnswer(path, {409, "Pairing is locked.", {}});
        QCoro::waitFor(run());
        QCOMPARE(model.errorMessage(), u"Pairing is locked."_qs);
    }

    void copyAndOpenNeedSomethingToCopyOrOpen_data() {
        QTest::addColumn<QString>("webUrl");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << u"https://vendrilo.app/pair/AAA"_qs << true;
        QTest::newRow("http") << u"http://192.168.1.20:46901/pair/AAA"_qs << true;
        QTest::newRow("a local file") << u"file:///etc/passwd"_qs << false;
        QTest::newRow("another program's scheme") << u"vendrilo-helper://run?x=1"_qs << false;
        QTest::newRow("not an address") << u"pair me"_qs << false;
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

        servePairing(harness, PairingStatus::Pending, u"AAA"_qs);
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
    void theQRCodeIsTheTextsCodeAtWholePixelsCentred_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("link") << u"https://vendrilo.app/pair/ABC-123"_qs;
        QTest::newRow("untrimmed non-ASCII") << u" Jäne’s code "_qs;
        QTest::newRow("long") << QString(600, u'x');
    }
    void theQRCodeIsTheTextsCodeAtWholePixelsCentred() {
        QFETCH(QString, text);
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
