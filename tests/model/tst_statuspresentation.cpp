#include "ModelHarness.h"
#include "model/StatusPresentation.h"

#include <QLocale>
#include <QTest>

#include <array>

using OptionalText = std::optional<QString>;

// Rows name only the fields that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// What the runtime reports (nothing at all, or no health) and the messages shown.
struct State {
    bool noRuntime = false;
    bool noHealth = false;
    CompanionHealthStatus health = CompanionHealthStatus::Healthy;
    PairingStatus pairing = PairingStatus::Unpaired;
    QString mode = u"local_and_relay_ready"_qs;
    PresenceState presence = PresenceState::Disconnected;
    bool connectedBefore = false;
    OptionalText backendError;
    int addresses = 0;
    bool listenerReady = false;
    OptionalText localError;
    OptionalText companionId;
    OptionalText notice;
    OptionalText error;
};

const QDateTime connectedAt = QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC);
const QString notAdvertising = u"This Mac is not currently advertising a direct local-network route."_qs;
const QString reachableDirectly = u"Devices on the same network can connect to this Mac directly."_qs;
const QString localOnly =
    u"This Mac is reachable on the same network right now. Remote relay access is not currently connected."_qs;
const QString notPaired = u"Start pairing here, then approve this Mac from Vendrilo on Android."_qs;
const QString paired = u"This Mac is linked to Vendrilo and ready to expose its clients."_qs;

QString tintName(StatusTint tint) {
    return QString::fromLatin1(
        std::array{"Green", "Orange", "Yellow", "Red", "Blue", "Secondary"}[int(tint)]);
}

} // namespace

// Each table's rows: the state, then the label, tint, description and (when
// there is one) detail the model derives from it.
class TestStatusPresentation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModelHarness::isolateUserFolders(); }

    void decisionTables_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<State>("state");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QString& table, const State& state,
                            const QStringList& expected) {
            QTest::newRow(name) << table << state << expected;
        };
        using enum CompanionHealthStatus;
        using enum PresenceState;
        using enum PairingStatus;
        // Overall: title, health tint, tray icon tint.
        const QString overall = u"overall"_qs;
        row("pending runtime without health", overall, {.noHealth = true, .pairing = Pending},
            {"Starting…", "Blue", "Orange"});
        row("failed before any health", overall, {.noRuntime = true, .error = u"Connection refused"_qs},
            {"Offline", "Red", "Red"});
        row("healthy, later unreachable", overall, {.error = u"Connection refused"_qs},
            {"Online", "Green", "Green"});
        row("degraded", overall, {.health = Degraded}, {"Needs attention", "Orange", "Orange"});
        row("setup, pairing pending", overall, {.health = SetupRequired, .pairing = Pending},
            {"Pairing in progress", "Yellow", "Orange"});
        row("setup", overall, {.health = SetupRequired}, {"Setup required", "Yellow", "Orange"});

        const QString connection = u"connection"_qs;
        row("local and relay", connection, {},
            {"Local + Relay", "Green",
             "Vendrilo can reach this Mac directly on the same network and can fall back to the hosted relay "
             "remotely."});
        row("local", connection, {.mode = u"local_ready"_qs}, {"Local Only", "Blue", localOnly});
        row("relay", connection, {.mode = u"relay_ready"_qs},
            {"Relay Only", "Blue",
             "Remote access is available through Vendrilo’s hosted relay while the local path is not being "
             "advertised."});
        row("connecting", connection, {.mode = u"connecting"_qs},
            {"Connecting", "Orange", "The companion is bringing secure access online."});
        row("setup", connection, {.mode = u"setup_required"_qs},
            {"Setup Needed", "Yellow",
             "Finish pairing this Mac with Vendrilo on Android to enable secure access."});
        row("capitals are unknown", connection, {.mode = u"LOCAL_READY"_qs},
            {"Offline", "Secondary", "The companion is not currently reachable from Vendrilo."});

        const QString relay = u"relay"_qs;
        const QString online = u"Secure remote access through Vendrilo’s hosted relay is online."_qs;
        row("disconnected", relay, {.connectedBefore = true},
            {"Offline", "Secondary", "Remote relay access is offline until this Mac reconnects.",
             "Last connected %1."});
        row("connecting", relay, {.presence = Connecting},
            {"Connecting", "Orange", "The companion is reconnecting to Vendrilo’s hosted relay."});
        row("connected, blank error", relay, {.presence = Connected, .backendError = u"  "_qs},
            {"Connected", "Green", online});
        row("backend error wins", relay,
            {.presence = Connected, .backendError = u" TLS handshake failed\n"_qs},
            {"Connected", "Green", "TLS handshake failed"});

        const QString local = u"local"_qs;
        row("no address, blank error", local, {.localError = u" "_qs},
            {"Unavailable", "Secondary", notAdvertising});
        row("listener ready", local, {.listenerReady = true}, {"Preparing", "Secondary", notAdvertising});
        row("one address", local, {.addresses = 1},
            {"Available", "Green", reachableDirectly, "192.168.1.20:46901"});
        row("two addresses", local, {.addresses = 2, .listenerReady = true},
            {"Available", "Green", reachableDirectly, "192.168.1.20:46901 plus 1 more address."});
        row("three addresses, local error wins", local, {.addresses = 3, .localError = u" port in use \n"_qs},
            {"Available", "Green", "port in use", "192.168.1.20:46901 plus 2 more addresses."});

        const QString pairing = u"pairing"_qs;
        row("unpaired", pairing, {.companionId = u"C-1"_qs}, {"Not Paired", "Secondary", notPaired});
        row("pending", pairing, {.pairing = Pending, .companionId = u"C-1"_qs},
            {"Waiting", "Orange",
             "Approval is waiting in Vendrilo on Android. The QR code, manual code, and expiry timer are "
             "shown in "
             "the pairing popup."});
        row("paired", pairing, {.pairing = Paired, .companionId = u" C-42 "_qs},
            {"Paired", "Green", paired, "Companion ID: C-42"});
        row("paired, blank id", pairing, {.pairing = Paired, .companionId = u"  "_qs},
            {"Paired", "Green", paired});

        const QString summary = u"summary"_qs;
        const QString localReady = u"local_ready"_qs;
        row("notice first", summary, {.mode = localReady, .notice = u" Saved. "_qs, .error = u"Failed."_qs},
            {"Saved."});
        row("blank notice, then the error", summary,
            {.mode = localReady, .notice = u"   "_qs, .error = u"\nFailed.\n"_qs}, {"Failed."});
        row("neither", summary, {.mode = localReady, .notice = u" "_qs, .error = u""_qs}, {localOnly});
    }
    void decisionTables() {
        QFETCH(QString, table);
        QFETCH(State, state);
        QFETCH(QStringList, expected);
        ModelHarness harness;
        auto& m = *harness.model;
        RuntimeSnapshot runtime = CannedRuntimeServer::snapshot(state.pairing);
        runtime.identity.companionId = state.companionId;
        runtime.backendStatus.presenceState = state.presence;
        if (state.connectedBefore) {
            runtime.backendStatus.lastConnectAt = connectedAt;
        }
        for (int i = 0; i < state.addresses; ++i) {
            runtime.localNetwork.candidates.append({u"192.168.1.%1"_qs.arg(20 + i), 46901, u"ipv4"_qs});
        }
        HealthSummary health = CannedRuntimeServer::health(state.health, state.mode);
        std::tie(health.connection.backendLastError, health.connection.localListenerReady,
                 health.connection.localLastError) =
            std::tuple(state.backendError, state.listenerReady, state.localError);
        if (!state.noRuntime) {
            harness.server.serveHealthyRuntime(runtime, health);
            if (state.noHealth) {
                harness.server.setAnswer(u"/v1/health"_qs, {500, {}, {}});
            }
            QVERIFY(harness.refresh());
        }
        m.setNoticeMessage(state.notice);
        m.setErrorMessage(state.error);

        QStringList actual;
        OptionalText detail;
        const StatusPresentation status = m.statusPresentation();
        if (table == u"overall") {
            actual = {m.quickStatusTitle(), tintName(m.healthTint()), tintName(m.menuBarStatusTint())};
        } else if (table == u"connection") {
            actual = {status.connectionModeLabel(), tintName(status.connectionModeTint()),
                      status.connectionModeDescription()};
        } else if (table == u"relay") {
            actual = {status.relayStatusLabel(), tintName(status.relayStatusTint()),
                      status.relayStatusDescription()};
            detail = status.relayStatusDetail();
        } else if (table == u"local") {
            actual = {status.localAccessLabel(), tintName(status.localAccessTint()),
                      status.localAccessDescription()};
            detail = status.localAccessDetail();
        } else if (table == u"pairing") {
            actual = {status.pairingStatusLabel(), tintName(status.pairingStatusTint()),
                      status.pairingStatusDescription()};
            detail = status.pairingStatusDetail();
        } else {
            actual = {status.dashboardSummaryText()};
        }
        if (detail) {
            actual << *detail;
        }
        const QString time =
            QLocale::system().toString(connectedAt.toLocalTime().time(), QLocale::ShortFormat);
        QCOMPARE(actual, expected.replaceInStrings(u"%1"_qs, time));
    }
};

QTEST_GUILESS_MAIN(TestStatusPresentation)
#include "tst_statuspresentation.moc"
