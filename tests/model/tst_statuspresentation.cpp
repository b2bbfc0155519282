#include "ModelHarness.h"

#include <QLocale>
#include <QTest>

using OptionalText = std::optional<QString>;

namespace {

constexpr int none = -1;
const QString notAdvertising = u"This Mac is not currently advertising a direct local-network route."_qs;
const QString reachableDirectly = u"Devices on the same network can connect to this Mac directly."_qs;
const QString unreachable = u"The companion is not currently reachable from Vendrilo."_qs;

// Refreshes the model from a runtime that reports these records; no runtime: no refresh.
void feed(ModelHarness& harness, const std::optional<RuntimeSnapshot>& runtime,
          const std::optional<HealthSummary>& health) {
    if (!runtime) {
        return;
    }
    harness.server.serveHealthyRuntime(*runtime, health.value_or(CannedRuntimeServer::health()));
    if (!health) {
        harness.server.setAnswer(u"/v1/health"_qs, {500, {}, {}});
    }
    QVERIFY(harness.refresh());
}

std::optional<RuntimeSnapshot> runtimeWith(int pairing, int presence = 0) {
    if (pairing == none) {
        return std::nullopt;
    }
    auto snapshot = CannedRuntimeServer::snapshot(static_cast<PairingStatus>(pairing));
    snapshot.backendStatus.presenceState = static_cast<PresenceState>(presence);
    return snapshot;
}

} // namespace

class TestStatusPresentation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void overallHealth_data() {
        QTest::addColumn<int>("health"); // CompanionHealthStatus or none
        QTest::addColumn<bool>("pending");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("title");
        QTest::addColumn<StatusTint>("healthTint");
        QTest::addColumn<StatusTint>("menuBarTint");
        using enum StatusTint;
        QTest::newRow("before the first refresh")
            << none << false << false << u"Starting…"_qs << Blue << Orange;
        QTest::newRow("failed before any health") << none << false << true << u"Offline"_qs << Red << Red;
        QTest::newRow("runtime without health") << none << true << false << u"Starting…"_qs << Blue << Orange;
        QTest::newRow("healthy") << 0 << false << false << u"Online"_qs << Green << Green;
        QTest::newRow("healthy, later unreachable") << 0 << false << true << u"Online"_qs << Green << Green;
        QTest::newRow("degraded") << 1 << false << false << u"Needs attention"_qs << Orange << Orange;
        QTest::newRow("setup, pending")
            << 2 << true << false << u"Pairing in progress"_qs << Yellow << Orange;
        QTest::newRow("setup") << 2 << false << false << u"Setup required"_qs << Yellow << Orange;
    }
    void overallHealth() {
        QFETCH(int, health);
        QFETCH(bool, pending);
        QFETCH(bool, error);
        ModelHarness harness;
        const bool hasRuntime = health != none || pending;
        feed(harness,
             runtimeWith(hasRuntime ? int(pending ? PairingStatus::Pending : PairingStatus::Unpaired) : none),
             health == none
                 ? std::nullopt
                 : std::optional(CannedRuntimeServer::health(static_cast<CompanionHealthStatus>(health))));
        if (error) {
            harness.model->setErrorMessage(u"Connection refused"_qs);
        }
        QTEST(harness.model->quickStatusTitle(), "title");
        QTEST(harness.model->healthTint(), "healthTint");
        QTEST(harness.model->menuBarStatusTint(), "menuBarTint");
    }

    void connectionMode_data() {
        QTest::addColumn<OptionalText>("mode");
        QTest::addColumn<QString>("label");
        QTest::addColumn<StatusTint>("tint");
        QTest::addColumn<QString>("description");
        using enum StatusTint;
        QTest::newRow("no health") << OptionalText() << u"Offline"_qs << Secondary << unreachable;
        QTest::newRow("local and relay")
            << OptionalText(u"local_and_relay_ready"_qs) << u"Local + Relay"_qs << Green
            << u"Vendrilo can reach this Mac directly on the same network and can fall back to the hosted relay remotely."_qs;
        QTest::newRow("local")
            << OptionalText(u"local_ready"_qs) << u"Local Only"_qs << Blue
            << u"This Mac is reachable on the same network right now. Remote relay access is not currently connected."_qs;
        QTest::newRow("relay")
            << OptionalText(u"relay_ready"_qs) << u"Relay Only"_qs << Blue
            << u"Remote access is available through Vendrilo’s hosted relay while the local path is not being advertised."_qs;
        QTest::newRow("connecting") << OptionalText(u"connecting"_qs) << u"Connecting"_qs << Orange
                                    << u"The companion is bringing secure access online."_qs;
        QTest::newRow("setup")
            << OptionalText(u"setup_required"_qs) << u"Setup Needed"_qs << Yellow
            << u"Finish pairing this Mac with Vendrilo on Android to enable secure access."_qs;
        QTest::newRow("capitals are unknown")
            << OptionalText(u"LOCAL_READY"_qs) << u"Offline"_qs << Secondary << unreachable;
        QTest::newRow("empty") << OptionalText(u""_qs) << u"Offline"_qs << Secondary << unreachable;
    }
    void connectionMode() {
        QFETCH(OptionalText, mode);
        ModelHarness harness;
        feed(harness, mode ? runtimeWith(0) : std::nullopt,
             CannedRuntimeServer::health(CompanionHealthStatus::Healthy, mode.value_or(QString())));
        QTEST(harness.model->connectionModeLabel(), "label");
        QTEST(harness.model->connectionModeTint(), "tint");
        QTEST(harness.model->connectionModeDescription(), "description");
    }

    void relay_data() {
        QTest::addColumn<int>("presence"); // PresenceState, none: no runtime
        QTest::addColumn<OptionalText>("backendError");
        QTest::addColumn<QDateTime>("lastConnectAt");
        QTest::addColumn<QString>("label");
        QTest::addColumn<StatusTint>("tint");
        QTest::addColumn<QString>("description");
        const QString offline = u"Remote relay access is offline until this Mac reconnects."_qs;
        const QString online = u"Secure remote access through Vendrilo’s hosted relay is online."_qs;
        const QDateTime at = QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC);
        using enum StatusTint;
        QTest::newRow("no runtime") << none << OptionalText() << QDateTime() << u"Offline"_qs << Secondary
                                    << offline;
        QTest::newRow("disconnected") << 0 << OptionalText() << at << u"Offline"_qs << Secondary << offline;
        QTest::newRow("connecting") << 1 << OptionalText() << QDateTime() << u"Connecting"_qs << Orange
                                    << u"The companion is reconnecting to Vendrilo’s hosted relay."_qs;
        QTest::newRow("connected") << 2 << OptionalText() << at << u"Connected"_qs << Green << online;
        QTest::newRow("backend error wins") << 2 << OptionalText(u" TLS handshake failed\n"_qs) << QDateTime()
                                            << u"Connected"_qs << Green << u"TLS handshake failed"_qs;
        QTest::newRow("blank backend error")
            << 2 << OptionalText(u"  "_qs) << QDateTime() << u"Connected"_qs << Green << online;
    }
    void relay() {
        QFETCH(int, presence);
        QFETCH(OptionalText, backendError);
        QFETCH(QDateTime, lastConnectAt);
        ModelHarness harness;
        auto runtime = runtimeWith(presence == none ? none : 0, std::max(presence, 0));
        auto health = CannedRuntimeServer::health();
        health.connection.backendLastError = backendError;
        if (runtime && lastConnectAt.isValid()) {
            runtime->backendStatus.lastConnectAt = lastConnectAt;
        }
        feed(harness, runtime, health);
        QTEST(harness.model->relayStatusLabel(), "label");
        QTEST(harness.model->relayStatusTint(), "tint");
        QTEST(harness.model->relayStatusDescription(), "description");
        const OptionalText detail =
            runtime && lastConnectAt.isValid()
                ? OptionalText(
                      u"Last connected "_qs +
                      QLocale::system().toString(lastConnectAt.toLocalTime().time(), QLocale::ShortFormat) +
                      u'.')
                : OptionalText();
        QCOMPARE(harness.model->relayStatusDetail(), detail);
    }

    void localAccess_data() {
        QTest::addColumn<int>("candidates"); // none: no runtime
        QTest::addColumn<bool>("listenerReady");
        QTest::addColumn<OptionalText>("localError");
        QTest::addColumn<QString>("label");
        QTest::addColumn<StatusTint>("tint");
        QTest::addColumn<QString>("description");
        QTest::addColumn<OptionalText>("detail");
        using enum StatusTint;
        QTest::newRow("no runtime") << none << false << OptionalText() << u"Unavailable"_qs << Secondary
                                    << notAdvertising << OptionalText();
        QTest::newRow("listener ready") << 0 << true << OptionalText() << u"Preparing"_qs << Secondary
                                        << notAdvertising << OptionalText();
        QTest::newRow("one address") << 1 << false << OptionalText() << u"Available"_qs << Green
                                     << reachableDirectly << OptionalText(u"192.168.1.20:46901"_qs);
        QTest::newRow("two addresses")
            << 2 << true << OptionalText() << u"Available"_qs << Green << reachableDirectly
            << OptionalText(u"192.168.1.20:46901 plus 1 more address."_qs);
        QTest::newRow("three addresses")
            << 3 << false << OptionalText() << u"Available"_qs << Green << reachableDirectly
            << OptionalText(u"192.168.1.20:46901 plus 2 more addresses."_qs);
        QTest::newRow("local error wins")
            << 1 << false << OptionalText(u" port in use \n"_qs) << u"Available"_qs << Green
            << u"port in use"_qs << OptionalText(u"192.168.1.20:46901"_qs);
        QTest::newRow("blank local error") << 0 << false << OptionalText(u" "_qs) << u"Unavailable"_qs
                                           << Secondary << notAdvertising << OptionalText();
    }
    void localAccess() {
        QFETCH(int, candidates);
        QFETCH(bool, listenerReady);
        QFETCH(OptionalText, localError);
        ModelHarness harness;
        auto runtime = runtimeWith(candidates == none ? none : 0);
        for (int i = 0; i < candidates; ++i) {
            runtime->localNetwork.candidates.append({u"192.168.1.%1"_qs.arg(20 + i), 46901, u"ipv4"_qs});
        }
        auto health = CannedRuntimeServer::health();
        health.connection.localListenerReady = listenerReady;
        health.connection.localLastError = localError;
        feed(harness, runtime, health);
        QTEST(harness.model->localAccessLabel(), "label");
        QTEST(harness.model->localAccessTint(), "tint");
        QTEST(harness.model->localAccessDescription(), "description");
        QTEST(harness.model->localAccessDetail(), "detail");
    }

    void pairing_data() {
        QTest::addColumn<int>("status"); // PairingStatus, none: no runtime
        QTest::addColumn<OptionalText>("companionId");
        QTest::addColumn<QString>("label");
        QTest::addColumn<StatusTint>("tint");
        QTest::addColumn<QString>("description");
        QTest::addColumn<OptionalText>("detail");
        const QString notPaired = u"Start pairing here, then approve this Mac from Vendrilo on Android."_qs;
        const QString paired = u"This Mac is linked to Vendrilo and ready to expose its clients."_qs;
        using enum StatusTint;
        QTest::newRow("no runtime") << none << OptionalText() << u"Not Paired"_qs << Secondary << notPaired
                                    << OptionalText();
        QTest::newRow("unpaired") << 0 << OptionalText(u"C-1"_qs) << u"Not Paired"_qs << Secondary
                                  << notPaired << OptionalText();
        QTest::newRow("pending")
            << 1 << OptionalText(u"C-1"_qs) << u"Waiting"_qs << Orange
            << u"Approval is waiting in Vendrilo on Android. The QR code, manual code, and expiry timer are shown in the pairing popup."_qs
            << OptionalText();
        QTest::newRow("paired") << 2 << OptionalText(u" C-42 "_qs) << u"Paired"_qs << Green << paired
                                << OptionalText(u"Companion ID: C-42"_qs);
        QTest::newRow("paired, blank id")
            << 2 << OptionalText(u"  "_qs) << u"Paired"_qs << Green << paired << OptionalText();
    }
    void pairing() {
        QFETCH(int, status);
        QFETCH(OptionalText, companionId);
        ModelHarness harness;
        auto runtime = runtimeWith(status);
        if (runtime) {
            runtime->identity.companionId = companionId;
        }
        feed(harness, runtime, CannedRuntimeServer::health());
        QTEST(harness.model->pairingStatusLabel(), "label");
        QTEST(harness.model->pairingStatusTint(), "tint");
        QTEST(harness.model->pairingStatusDescription(), "description");
        QTEST(harness.model->pairingStatusDetail(), "detail");
    }

    void dashboardSummary_data() {
        QTest::addColumn<OptionalText>("notice");
        QTest::addColumn<OptionalText>("error");
        QTest::addColumn<QString>("summary");
        QTest::newRow("notice first")
            << OptionalText(u" Saved. "_qs) << OptionalText(u"Failed."_qs) << u"Saved."_qs;
        QTest::newRow("blank notice, then the error")
            << OptionalText(u"   "_qs) << OptionalText(u"\nFailed.\n"_qs) << u"Failed."_qs;
        QTest::newRow("neither")
            << OptionalText(u" "_qs) << OptionalText(u""_qs)
            << u"This Mac is reachable on the same network right now. Remote relay access is not currently connected."_qs;
    }
    void dashboardSummary() {
        QFETCH(OptionalText, notice);
        QFETCH(OptionalText, error);
        ModelHarness harness;
        feed(harness, runtimeWith(0),
             CannedRuntimeServer::health(CompanionHealthStatus::Healthy, u"local_ready"_qs));
        harness.model->setNoticeMessage(notice);
        harness.model->setErrorMessage(error);
        QTEST(harness.model->dashboardSummaryText(), "summary");
    }
};

QTEST_GUILESS_MAIN(TestStatusPresentation)
#include "tst_statuspresentation.moc"
