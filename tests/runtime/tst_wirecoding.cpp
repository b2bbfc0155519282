#include "WireSamples.h"
#include "runtime/HealthSummary.h"
#include "runtime/RequestBodies.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QRegularExpression>
#include <QTest>

using namespace WireCoding;

namespace {

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

template <typename T> QString decodingFailure(const QByteArray& json) {
    try {
        decode<T>(json);
    } catch (const DecodingError& error) {
        return error.description();
    }
    return {};
}

} // namespace

class TestWireCoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysConvertBothWays_data() {
        QTest::addColumn<QString>("camel");
        QTest::addColumn<QString>("snake");
        QTest::addColumn<QString>("backToCamel");
        const auto row = [](const char* camel, const char* snake, const char* back) {
            QTest::newRow(camel) << QString::fromUtf8(camel) << QString::fromUtf8(snake)
                                 << QString::fromUtf8(back);
        };
        row("heartbeatIntervalS", "heartbeat_interval_s", "heartbeatIntervalS");
        row("clientID", "client_id", "clientId"); // a capital run at the end
        row("URLValue", "url_value", "urlValue"); // a capital run before a word
        row("ipv4Address", "ipv4_address", "ipv4Address");
    }
    void keysConvertBothWays() {
        QFETCH(QString, camel);
        QFETCH(QString, snake);
        QCOMPARE(snakeCaseKey(camel), snake);
        QTEST(camelCaseKey(snake), "backToCamel");
        QCOMPARE(camelCaseKey(camel), camel); // no "_": taken as it is
    }

    void incomingKeySpellings_data() {
        QTest::addColumn<QByteArray>("authState"); // the member's key and value, as sent
        QTest::addColumn<QString>("expected");     // empty: the member counts as missing
        const auto row = [](const char* name, const char* sent, const char* expected) {
            QTest::newRow(name) << QByteArray(sent) << QString::fromUtf8(expected);
        };
        row("camel case beside an unknown key", R"("authState":"ok","zz_top":1)", "ok");
        row("doubled underscore", R"("auth__state":"ok")", "ok");
        row("capital after underscore", R"("auth_State":"ok")", "ok");
        row("both spellings, first key wins", R"("auth_state":"b","authState":"a")", "a");
        row("leading capital", R"("Auth_state":"ok")", "");
        row("no separator", R"("authstate":"ok")", "");
    }
    void incomingKeySpellings() {
        QFETCH(QByteArray, authState);
        QFETCH(QString, expected);
        const QByteArray json = R"({"id":"a","label":"b","type":"deluge",)" + authState + "}";
        if (expected.isEmpty()) {
            QCOMPARE(decodingFailure<ClientHealth>(json), R"(Missing value for "auth_state".)");
        } else {
            QCOMPARE(decode<ClientHealth>(json).authState, expected);
        }
    }

    void realisticAnswersRoundTrip() {
        const auto snapshot = decode<RuntimeSnapshot>(wireSample("runtime-paired.json"));
        QCOMPARE(snapshot.localNetwork.candidates[1].identity(), "ipv6-fe80::1c2a-46902");
        QCOMPARE(snapshot.localNetwork.interfaces[0].identity(), "wlp2s0-ipv4-192.168.1.20");
        QCOMPARE(decode<RuntimeSnapshot>(encode(snapshot)), snapshot);
        const auto health = decode<HealthSummary>(wireSample("health.json"));
        QCOMPARE(decode<HealthSummary>(encode(health)), health);
        const auto events = decodeList<DiagnosticEvent>(wireSample("diagnostics.json"));
        QCOMPARE(decodeList<DiagnosticEvent>(encodeList(events)), events);

        const QByteArray encoded = encode(snapshot);
        QVERIFY(encoded.contains(R"("last_connect_at":"2025-03-04T05:06:08.000Z")"));
        QVERIFY(encoded.contains(R"("maxTorrents":5000)")); // map keys keep their spelling
        QVERIFY(encoded.contains(R"("proxy":"")"));
        QVERIFY(!encoded.contains("null")); // absent optionals are left out
    }

    void defaultsAndNulls() {
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
    }

    void invalidAnswersFailWhole_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* from, const char* to, const QString& message) {
            QTest::newRow(name) << QByteArray(from) << QByteArray(to) << message;
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
    }
    void invalidAnswersFailWhole() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QTEST(decodingFailure<RuntimeSnapshot>(snapshotWith({{from, to}})), "message");
    }

    void malformedDocumentsFail() {
        QCOMPARE(decodingFailure<RuntimeSnapshot>(""), "Not valid JSON: illegal value at offset 0.");
        QCOMPARE(decodingFailure<OKPayload>(R"({"ok":true} x)"),
                 "Not valid JSON: garbage at the end of the document at offset 12.");
        QCOMPARE(decodingFailure<OKPayload>("[]"),
                 "Unexpected value for the document: expected an object, found an array.");
        QCOMPARE(decodingFailure<DeletedPayload>("{}"), R"(Missing value for "deleted".)");
    }

    void presenceStateIsLenient_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<PresenceState>("expected");
        QTest::newRow("padded") << QByteArray(R"(" connected\n")") << PresenceState::Connected;
        QTest::newRow("capitals") << QByteArray(R"("CONNECTING")") << PresenceState::Connecting;
        QTest::newRow("unknown text") << QByteArray(R"("online")") << PresenceState::Disconnected;
        QTest::newRow("number") << QByteArray("2") << PresenceState::Disconnected;
        QTest::newRow("null") << QByteArray("null") << PresenceState::Disconnected;
    }
    void presenceStateIsLenient() {
        QFETCH(QByteArray, value);
        const auto json = snapshotWith({{R"("presence_state":"connected")", R"("presence_state":)" + value}});
        QTEST(decode<RuntimeSnapshot>(json).backendStatus.presenceState, "expected");
    }

    void freeFormValuesKeepTheirKind() {
        const auto snapshot = decode<RuntimeSnapshot>(wireSample("runtime-paired.json"));
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

    void diagnosticEventIds_data() {
        QTest::addColumn<QByteArray>("id"); // JSON text, empty: no id key
        QTest::addColumn<QString>("expected");
        for (const auto& [id, expected] : {std::pair{"42", "42"},
                                           {R"("evt-7")", "evt-7"},
                                           {"", "uuid"},
                                           {"null", "uuid"},
                                           {"1.5", "error"},
                                           {"true", "error"},
                                           {"[1]", "error"},
                                           {"{}", "error"}}) {
            QTest::newRow(id) << QByteArray(id) << QString::fromUtf8(expected);
        }
    }
    void diagnosticEventIds() {
        QFETCH(QByteArray, id);
        QFETCH(QString, expected);
        const QByteArray json =
            R"({"level":"error","code":"c","message":"m","occurred_at":"2025-03-04T05:06:07Z")" +
            (id.isEmpty() ? QByteArray() : R"(,"id":)" + id) + '}';
        if (expected == u"error") {
            QVERIFY(decodingFailure<DiagnosticEvent>(json).startsWith(R"(Unexpected value for "id")"));
        } else if (expected == u"uuid") {
            static const QRegularExpression uuid(
                "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
            const QString first = decode<DiagnosticEvent>(json).id;
            QVERIFY2(uuid.match(first).hasMatch(), qPrintable(first));
            QVERIFY(decode<DiagnosticEvent>(json).id != first);
        } else {
            QCOMPARE(decode<DiagnosticEvent>(json).id, expected);
        }
    }

    void dates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded"); // empty: unsupported
        for (const auto& [text, encoded] : {std::pair{"2025-03-04T05:06:07Z", "2025-03-04T05:06:07.000Z"},
                                            {"2025-03-04T05:06:07.089Z", "2025-03-04T05:06:07.089Z"},
                                            {"2025-03-04T05:06:07.5Z", "2025-03-04T05:06:07.500Z"},
                                            {"2025-03-04T05:06:07.089999Z", "2025-03-04T05:06:07.089Z"},
                                            {"2025-03-04T07:36:07+02:30", "2025-03-04T05:06:07.000Z"},
                                            {"2025-03-04 05:06:07Z", ""},
                                            {"2025-03-04T05:06:07", ""},
                                            {"2025-03-04T05:06:07.Z", ""},
                                            {"2025-02-29T05:06:07Z", ""},
                                            {"2025-03-04T24:00:00Z", ""},
                                            {"0001-01-01T00:30:00+01:00", ""}, // before year 1 in UTC
                                            {"2025-03-04T05:06:07Zx", ""}}) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(encoded);
        }
    }
    void dates() {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        if (encoded.isEmpty()) {
            QCOMPARE(decodingFailure<HealthcheckPayload>("{\"ok\":true,\"ts\":\"" + text.toUtf8() + "\"}"),
                     "Unsupported ISO-8601 date: " + text);
        } else {
            QCOMPARE(formatDate(parseDate(text)), encoded);
        }
    }

    void requestBodiesReadBack() {
        // clientID goes out as client_id, which converts back to clientId, not clientID.
        QCOMPARE(decode<DeleteClientBody>(encode(DeleteClientBody{QStringLiteral("qb")})).clientID, "qb");
        QCOMPARE(decode<ProbeClientsBody>(R"({"clientID":"qb"})").clientID, "qb");
        QCOMPARE(decode<BeginPairingBody>("{}"), BeginPairingBody{});
    }
};

QTEST_GUILESS_MAIN(TestWireCoding)
#include "tst_wirecoding.moc"
