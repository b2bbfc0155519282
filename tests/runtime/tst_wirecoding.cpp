#include "WireSamples.h"
#include "runtime/HealthSummary.h"
#include "runtime/RequestBodies.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QRegularExpression>
#include <QTest>

#include <functional>

using namespace WireCoding;

namespace {

// Decodes a fragment framed by `before` and `after` as a T and shows one member
// as text, or gives the decoding error's text.
using Decoding = std::function<QString(const QByteArray& fragment)>;
template <typename T> Decoding decoding(const char* before, const char* after, QString (*show)(const T&)) {
    return [=](const QByteArray& fragment) -> QString {
        try {
            return show(decode<T>(before + fragment + after));
        } catch (const DecodingError& error) {
            return error.description();
        }
    };
}

const char* const eventBefore =
    R"({"level":"error","code":"c","message":"m","occurred_at":"2025-03-04T05:06:07Z")";

// The realistic snapshot with texts replaced; renaming a key ("x_…") leaves its member out.
QByteArray snapshotWith(std::initializer_list<std::pair<QByteArray, QByteArray>> edits) {
    QByteArray json = wireSample("runtime-paired.json");
    for (const auto& [from, to] : edits) {
        if (!json.contains(from)) {
            qFatal("the sample has no %s", from.constData());
        }
        json.replace(from, to);
    }
    return json;
}

// Small documents, each decoded as one record type.
void addSmallDocumentRows() {
    QTest::addColumn<Decoding>("decoding");
    QTest::addColumn<QByteArray>("fragment");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const Decoding& decoding, const char* fragment,
                        const char* expected) {
        QTest::newRow(name) << decoding << QByteArray(fragment) << QString::fromUtf8(expected);
    };
    const auto authState =
        decoding<ClientHealth>(R"({"id":"a","label":"b","type":"deluge",)", "}",
                               [](const ClientHealth& health) { return health.authState; });
    row("key: camel case beside an unknown key", authState, R"("authState":"ok","zz_top":1)", "ok");
    row("key: doubled underscore", authState, R"("auth__state":"ok")", "ok");
    row("key: capital after underscore", authState, R"("auth_State":"ok")", "ok");
    row("key: both spellings, first key wins", authState, R"("auth_state":"b","authState":"a")", "a");
    row("key: leading capital", authState, R"("Auth_state":"ok")", R"(Missing value for "auth_state".)");
    row("key: no separator", authState, R"("authstate":"ok")", R"(Missing value for "auth_state".)");

    const auto ok = decoding<OKPayload>("", "", [](const OKPayload&) { return u"decoded"_qs; });
    const auto deleted =
        decoding<DeletedPayload>("", "", [](const DeletedPayload&) { return u"decoded"_qs; });
    row("empty", ok, "", "Not valid JSON: illegal value at offset 0.");
    row("garbage after", ok, R"({"ok":true} x)",
        "Not valid JSON: garbage at the end of the document at offset 12.");
    row("array", ok, "[]", "Unexpected value for the document: expected an object, found an array.");
    row("missing member", deleted, "{}", R"(Missing value for "deleted".)");

    const auto eventId =
        decoding<DiagnosticEvent>(eventBefore, "}", [](const DiagnosticEvent& e) { return e.id; });
    const char* idExpected = R"(Unexpected value for "id": expected an integer or a string, found )";
    row("id: integer", eventId, R"(,"id":42)", "42");
    row("id: string", eventId, R"(,"id":"evt-7")", "evt-7");
    for (const auto& [id, found] :
         {std::pair{"1.5", "1.5."}, {"true", "true."}, {"[1]", "an array."}, {"{}", "an object."}}) {
        QTest::newRow(id) << eventId << R"(,"id":)" + QByteArray(id) << idExpected + QString::fromUtf8(found);
    }

    const auto date = decoding<HealthcheckPayload>(
        R"({"ok":true,"ts":")", "\"}", [](const HealthcheckPayload& p) { return formatDate(p.ts); });
    row("date: plain", date, "2025-03-04T05:06:07Z", "2025-03-04T05:06:07.000Z");
    row("date: milliseconds", date, "2025-03-04T05:06:07.089Z", "2025-03-04T05:06:07.089Z");
    row("date: one digit", date, "2025-03-04T05:06:07.5Z", "2025-03-04T05:06:07.500Z");
    row("date: microseconds", date, "2025-03-04T05:06:07.089999Z", "2025-03-04T05:06:07.089Z");
    row("date: offset", date, "2025-03-04T07:36:07+02:30", "2025-03-04T05:06:07.000Z");
    for (const char* unsupported :
         {"2025-03-04 05:06:07Z", "2025-03-04T05:06:07", "2025-03-04T05:06:07.Z", "2025-02-29T05:06:07Z",
          "2025-03-04T24:00:00Z", "0001-01-01T00:30:00+01:00", "2025-03-04T05:06:07Zx"}) {
        QTest::newRow(unsupported) << date << QByteArray(unsupported)
                                   << "Unsupported ISO-8601 date: " + QString::fromUtf8(unsupported);
    }
}

} // namespace

class TestWireCoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysConvertBothWays_data() {
        QTest::addColumn<QString>("camel");
        QTest::addColumn<QString>("snake");
        QTest::addColumn<QString>("backToCamel");
        QTest::newRow("words") << u"heartbeatIntervalS"_qs << u"heartbeat_interval_s"_qs
                               << u"heartbeatIntervalS"_qs;
        QTest::newRow("capital run at the end") << u"clientID"_qs << u"client_id"_qs << u"clientId"_qs;
        QTest::newRow("capital run before a word") << u"URLValue"_qs << u"url_value"_qs << u"urlValue"_qs;
        QTest::newRow("digits") << u"ipv4Address"_qs << u"ipv4_address"_qs << u"ipv4Address"_qs;
    }
    void keysConvertBothWays() {
        QFETCH(QString, camel);
        QFETCH(QString, snake);
        QCOMPARE(snakeCaseKey(camel), snake);
        QTEST(camelCaseKey(snake), "backToCamel");
        QCOMPARE(camelCaseKey(camel), camel); // no "_": taken as it is
    }

    void smallDocumentsDecodeOrNameTheProblem_data() { addSmallDocumentRows(); }
    void smallDocumentsDecodeOrNameTheProblem() {
        QFETCH(Decoding, decoding);
        QFETCH(QByteArray, fragment);
        QTEST(decoding(fragment), "expected");
    }

    void eventWithoutIdGetsAFreshUUID() {
        static const QRegularExpression uuid(
            "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        for (const char* id : {"", R"(,"id":null)"}) { // absent or null
            const QByteArray json = eventBefore + QByteArray(id) + '}';
            const QString first = decode<DiagnosticEvent>(json).id;
            QVERIFY2(uuid.match(first).hasMatch(), qPrintable(first));
            QVERIFY(decode<DiagnosticEvent>(json).id != first);
        }
    }

    void realisticAnswersRoundTripAndKeepTheirKinds() {
        const auto snapshot = decode<RuntimeSnapshot>(wireSample("runtime-paired.json"));
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Paired);
        QCOMPARE(snapshot.clients[1].hostKind, HostKind::Lan);
        QCOMPARE(snapshot.backendStatus.heartbeatIntervalS, qint64(25));
        QCOMPARE(snapshot.localNetwork.candidates[1].identity(), "ipv6-fe80::1c2a-46902");
        QCOMPARE(snapshot.localNetwork.interfaces[0].identity(), "wlp2s0-ipv4-192.168.1.20");
        QCOMPARE(decode<RuntimeSnapshot>(encode(snapshot)), snapshot);
        const auto health = decode<HealthSummary>(wireSample("health.json"));
        QCOMPARE(decode<HealthSummary>(encode(health)), health);
        const auto events = decodeList<DiagnosticEvent>(wireSample("diagnostics.json"));
        QCOMPARE(decodeList<DiagnosticEvent>(encodeList(events)), events);
        // Details absent, not empty: the event is written without them and read back so.
        QVERIFY(events[0].details && !events[1].details);
        QVERIFY(!encode(events[1]).contains("details"));

        const QByteArray encoded = encode(snapshot);
        QVERIFY(encoded.contains(R"("last_connect_at":"2025-03-04T05:06:08.000Z")"));
        QVERIFY(encoded.contains(R"("maxTorrents":5000)")); // map keys keep their spelling
        QVERIFY(encoded.contains(R"("proxy":"")"));
        QVERIFY(!encoded.contains("null")); // absent optionals are left out

        const AnyCodable empty{QString()}; // arrays, objects and null
        QCOMPARE(snapshot.clients[0].capabilities, (AnyCodableMap{{"version", {QStringLiteral("4.6.3")}},
                                                                  {"apiVersion", {2.9}},
                                                                  {"maxTorrents", {qint64(5000)}},
                                                                  {"ratioLimit", {qint64(2)}},
                                                                  {"sequentialDownload", {true}},
                                                                  {"categories", empty},
                                                                  {"proxy", empty},
                                                                  {"lastTrackerError", empty}}));
        QCOMPARE(AnyCodable{2.9}.description(), "2.9");
    }

    void defaultsNullsAndRequestBodies() {
        const auto snapshot =
            decode<RuntimeSnapshot>(snapshotWith({{R"("local_network":)", R"("local_network":null,"x":)"},
                                                  {R"("clients":)", R"("x_clients":)"},
                                                  {R"("registered_adapters":)", R"("x_adapters":)"},
                                                  {R"("admin_address":)", R"("admin_address":null,"y":)"}}));
        QCOMPARE(snapshot.localNetwork, LocalNetworkSnapshot::empty());
        QVERIFY(snapshot.clients.isEmpty() && snapshot.registeredAdapters.isEmpty() &&
                !snapshot.adminAddress);
        QCOMPARE(decode<LocalNetworkSnapshot>("{}"), LocalNetworkSnapshot::empty());
        QCOMPARE(decode<ClientHealthRollup>("{}"), ClientHealthRollup{});

        const ClientConfig client = decodeList<ClientConfig>(wireSample("probe-clients.json")).first();
        QCOMPARE(client.authState, "unknown");
        const QByteArray encoded = encode(client);
        QVERIFY(encoded.contains(R"("auth_state":"unknown")"));
        QVERIFY(!encoded.contains("username"));
        // clientID goes out as client_id, which converts back to clientId, not clientID.
        QCOMPARE(decode<DeleteClientBody>(encode(DeleteClientBody{QStringLiteral("qb")})).clientID, "qb");
        QCOMPARE(decode<ProbeClientsBody>(R"({"clientID":"qb"})").clientID, "qb");
        QCOMPARE(decode<BeginPairingBody>("{}"), BeginPairingBody{});
    }

    void snapshotEditsDecodeOrFailWhole_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("expected"); // the presence state, or the error's text
        const auto row = [](const char* name, const char* from, const char* to, const QString& expected) {
            QTest::newRow(name) << QByteArray(from) << QByteArray(to) << expected;
        };
        const QString clientTypes = R"(expected one of "qbittorrent", "transmission", "deluge")";
        row("missing required", R"("display_name")", R"("x_name")",
            R"(Missing value for "identity.display_name".)");
        row("null required", R"("state":"running")", R"("state":null)",
            R"(Unexpected value for "state": expected a string, found null.)");
        row("wrong type optional", R"("admin_address":"127.0.0.1:46901")", R"("admin_address":42)",
            R"(Unexpected value for "admin_address": expected a string, found 42.)");
        row("wrong type defaulted", R"("allowed_origins":[])", R"("allowed_origins":"x")",
            R"(Unexpected value for "admin.allowed_origins": expected an array, found "x".)");
        row("strict enum is case-sensitive", R"("status":"paired")", R"("status":"PAIRED")",
            R"(Unexpected value for "identity.pairing.status": expected one of "unpaired", "pending", "paired", found "PAIRED".)");
        row("one unknown client type", R"("type":"transmission")", R"("type":"utorrent")",
            R"(Unexpected value for "clients[1].type": )" + clientTypes + R"(, found "utorrent".)");
        row("one unknown adapter", R"("transmission","deluge"])", R"("rtorrent","deluge"])",
            R"(Unexpected value for "registered_adapters[1]": )" + clientTypes + R"(, found "rtorrent".)");
        row("fraction for an integer", R"("schema_version":7)", R"("schema_version":1.5)",
            R"(Unexpected value for "schema_version": expected a 64-bit integer, found 1.5.)");
        row("integer beyond 64 bits", R"("listen_port":46902)", R"("listen_port":9223372036854775808)",
            R"(Unexpected value for "local_network.listen_port": expected a 64-bit integer, found 9.2233720368547758e+18.)");
        row("missing presence key", R"("presence_state")", R"("x_state")",
            R"(Missing value for "backend_status.presence_state".)");
        // The presence state alone is read leniently.
        const char* connected = R"("presence_state":"connected")";
        row("presence padded", connected, R"("presence_state":" connected\n")", "connected");
        row("presence in capitals", connected, R"("presence_state":"CONNECTING")", "connecting");
        row("presence unknown", connected, R"("presence_state":"online")", "disconnected");
        row("presence a number", connected, R"("presence_state":2)", "disconnected");
        row("presence null", connected, R"("presence_state":null)", "disconnected");
    }
    void snapshotEditsDecodeOrFailWhole() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const auto presence = decoding<RuntimeSnapshot>("", "", [](const RuntimeSnapshot& snapshot) {
            return rawValue(snapshot.backendStatus.presenceState);
        });
        QTEST(presence(snapshotWith({{from, to}})), "expected");
    }
};

QTEST_GUILESS_MAIN(TestWireCoding)
#include "tst_wirecoding.moc"
