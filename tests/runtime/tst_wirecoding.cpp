#include "runtime/HealthSummary.h"
#include "runtime/HostRules.h"
#include "runtime/RequestBodies.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/SmallPayloads.h"
#include "runtime/WireCoding.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace WireCoding;

namespace {

QByteArray sample(const char* name) {
    QFile file(QStringLiteral(WIRE_SAMPLES_DIR "/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing sample %s", name);
    }
    return file.readAll();
}

// Replaces (or, without a value, removes) the member at a dotted path such as "clients.1.type".
QJsonValue edited(QJsonValue node, QStringList path, const std::optional<QJsonValue>& value) {
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        array[step.toInt()] = path.isEmpty() ? *value : edited(array[step.toInt()], path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (!path.isEmpty()) {
        object[step] = edited(object[step], path, value);
    } else if (value) {
        object[step] = *value;
    } else {
        object.remove(step);
    }
    return object;
}

// The realistic snapshot with members replaced by JSON texts (an empty text removes the member).
QByteArray editedSnapshot(std::initializer_list<std::pair<QString, QByteArray>> edits) {
    QJsonValue root = QJsonDocument::fromJson(sample("runtime-paired.json")).object();
    for (const auto& [path, json] : edits) {
        const auto value =
            json.isEmpty() ? std::nullopt : std::optional(QJsonDocument::fromJson("[" + json + "]")[0]);
        root = edited(root, path.split(u'.'), value);
    }
    return QJsonDocument(root.toObject()).toJson();
}

template <typename T> QString decodingFailure(const QByteArray& json) {
    try {
        decode<T>(json);
    } catch (const DecodingError& error) {
        return error.description();
    }
    return {};
}

const QString eventWithoutId =
    QStringLiteral(R"({"level":"error","code":"c","message":"m","occurred_at":"2025-03-04T05:06:07Z")");

} // namespace

class TestWireCoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysConvertBothWays_data() {
        QTest::addColumn<QString>("camel");
        QTest::addColumn<QString>("snake");
        QTest::addColumn<QString>("backToCamel");
        const auto row = [](const char* name, QString camel, QString snake, QString back) {
            QTest::newRow(name) << camel << snake << back;
        };
        row("words", "heartbeatIntervalS", "heartbeat_interval_s", "heartbeatIntervalS");
        row("capital run at the end", "clientID", "client_id", "clientId");
        row("capital run before a word", "URLValue", "url_value", "urlValue");
        row("one word", "state", "state", "state");
        row("digits", "ipv4Address", "ipv4_address", "ipv4Address");
    }
    void keysConvertBothWays() {
        QFETCH(QString, camel);
        QFETCH(QString, snake);
        QFETCH(QString, backToCamel);
        QCOMPARE(snakeCaseKey(camel), snake);
        QCOMPARE(camelCaseKey(snake), backToCamel);
        QCOMPARE(camelCaseKey(camel), camel); // no "_": taken as it is
    }

    void incomingKeySpellings_data() {
        QTest::addColumn<QByteArray>("authState"); // the member's key and value, as sent
        QTest::addColumn<QString>("expected");     // empty: the member counts as missing
        const auto row = [](const char* name, QByteArray sent, QString expected) {
            QTest::newRow(name) << sent << expected;
        };
        row("snake case", R"("auth_state":"ok")", "ok");
        row("camel case", R"("authState":"ok")", "ok");
        row("beside an unknown key", R"("auth_state":"ok","zz_top":1)", "ok");
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
        const auto snapshot = decode<RuntimeSnapshot>(sample("runtime-paired.json"));
        QCOMPARE(snapshot.identity.pairing.status, PairingStatus::Paired);
        QCOMPARE(snapshot.clients.size(), 2);
        QCOMPARE(snapshot.clients[1].hostKind, HostKind::Lan);
        QCOMPARE(snapshot.localNetwork.candidates[1].identity(), "ipv6-fe80::1c2a-46902");
        QCOMPARE(snapshot.localNetwork.interfaces[0].identity(), "wlp2s0-ipv4-192.168.1.20");
        QCOMPARE(snapshot.backendStatus.heartbeatIntervalS, qint64(25));
        QCOMPARE(decode<RuntimeSnapshot>(encode(snapshot)), snapshot);

        const auto health = decode<HealthSummary>(sample("health.json"));
        QCOMPARE(health.recentErrors[0].id, "17");
        QCOMPARE(decode<HealthSummary>(encode(health)), health);
        const auto events = decodeList<DiagnosticEvent>(sample("diagnostics.json"));
        QCOMPARE(decodeList<DiagnosticEvent>(encodeList(events)), events);

        const QByteArray encoded = encode(snapshot);
        QVERIFY(encoded.contains(R"("last_connect_at":"2025-03-04T05:06:08.000Z")"));
        QVERIFY(encoded.contains(R"("maxTorrents":5000)")); // map keys keep their spelling
        QVERIFY(encoded.contains(R"("proxy":"")"));
        QVERIFY(!encoded.contains("null")); // absent optionals are left out
    }

    void defaultsAndNulls() {
        const auto snapshot = decode<RuntimeSnapshot>(editedSnapshot({{"local_network", "null"},
                                                                      {"clients", ""},
                                                                      {"registered_adapters", ""},
                                                                      {"admin_address", "null"}}));
        QCOMPARE(snapshot.localNetwork, LocalNetworkSnapshot::empty());
        QVERIFY(snapshot.clients.isEmpty() && snapshot.registeredAdapters.isEmpty() &&
                !snapshot.adminAddress);
        QCOMPARE(decode<LocalNetworkSnapshot>("{}"), LocalNetworkSnapshot::empty());
        QCOMPARE(decode<ClientHealthRollup>("{}"), ClientHealthRollup{});

        const ClientConfig client = decodeList<ClientConfig>(sample("probe-clients.json")).first();
        QCOMPARE(client.authState, "unknown");
        const QByteArray encoded = encode(client);
        QVERIFY(encoded.contains(R"("auth_state":"unknown")"));
        QVERIFY(!encoded.contains("username"));
    }

    void invalidAnswersFailWhole_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("value"); // empty: the key is removed
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, QString path, QByteArray value, QString message) {
            QTest::newRow(name) << path << value << message;
        };
        const QString clientTypes = R"(expected one of "qbittorrent", "transmission", "deluge")";
        row("missing required", "identity.display_name", {}, R"(Missing value for "identity.display_name".)");
        row("null required", "state", "null",
            R"(Unexpected value for "state": expected a string, found null.)");
        row("wrong type optional", "admin_address", "42",
            R"(Unexpected value for "admin_address": expected a string, found 42.)");
        row("wrong type defaulted", "admin.allowed_origins", R"("x")",
            R"(Unexpected value for "admin.allowed_origins": expected an array, found "x".)");
        row("strict enum is case-sensitive", "identity.pairing.status", R"("PAIRED")",
            R"(Unexpected value for "identity.pairing.status": expected one of "unpaired", "pending", "paired", found "PAIRED".)");
        row("one unknown client type", "clients.1.type", R"("utorrent")",
            R"(Unexpected value for "clients[1].type": )" + clientTypes + R"(, found "utorrent".)");
        row("one unknown adapter", "registered_adapters", R"(["deluge","rtorrent"])",
            R"(Unexpected value for "registered_adapters[1]": )" + clientTypes + R"(, found "rtorrent".)");
        row("fraction for an integer", "schema_version", "1.5",
            R"(Unexpected value for "schema_version": expected a 64-bit integer, found 1.5.)");
        row("integer beyond 64 bits", "local_network.listen_port", "9223372036854775808",
            R"(Unexpected value for "local_network.listen_port": expected a 64-bit integer, found 9.2233720368547758e+18.)");
        row("missing presence key", "backend_status.presence_state", {},
            R"(Missing value for "backend_status.presence_state".)");
        row("date with a space", "started_at", R"("2025-03-04 05:06:07Z")",
            "Unsupported ISO-8601 date: 2025-03-04 05:06:07Z");
    }
    void invalidAnswersFailWhole() {
        QFETCH(QString, path);
        QFETCH(QByteArray, value);
        QFETCH(QString, message);
        QCOMPARE(decodingFailure<RuntimeSnapshot>(editedSnapshot({{path, value}})), message);
    }

    void malformedDocumentsFail() {
        QCOMPARE(decodingFailure<RuntimeSnapshot>(""), "Not valid JSON: illegal value at offset 0.");
        QCOMPARE(decodingFailure<OKPayload>(R"({"ok":true} x)"),
                 "Not valid JSON: garbage at the end of the document at offset 12.");
        QCOMPARE(decodingFailure<OKPayload>("[]"),
                 "Unexpected value for the document: expected an object, found an array.");
        QCOMPARE(decodingFailure<DeletedPayload>("{}"), R"(Missing value for "deleted".)");
        QCOMPARE(decodingFailure<ClientHealth>(R"({"id":"a","label":"b","type":"deluge"})"),
                 R"(Missing value for "auth_state".)");
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
        QFETCH(PresenceState, expected);
        const auto snapshot =
            decode<RuntimeSnapshot>(editedSnapshot({{"backend_status.presence_state", value}}));
        QCOMPARE(snapshot.backendStatus.presenceState, expected);
    }

    void freeFormValuesKeepTheirKind() {
        const auto snapshot = decode<RuntimeSnapshot>(sample("runtime-paired.json"));
        const AnyCodableMap& caps = snapshot.clients[0].capabilities; // keys keep their camel case
        QCOMPARE(caps["maxTorrents"], AnyCodable{qint64(5000)});
        QCOMPARE(caps["ratioLimit"], AnyCodable{qint64(2)});
        QCOMPARE(caps["apiVersion"], AnyCodable{2.9});
        QCOMPARE(caps["sequentialDownload"], AnyCodable{true});
        QCOMPARE(caps["version"], AnyCodable{QStringLiteral("4.6.3")});
        for (const char* empty : {"categories", "proxy", "lastTrackerError"}) {
            QCOMPARE(caps[empty], AnyCodable{QString()});
        }
        QCOMPARE(caps["apiVersion"].description(), "2.9");
        QVERIFY(qHash(AnyCodable{qint64(1)}) != qHash(AnyCodable{true}));
    }

    void diagnosticEventIds_data() {
        QTest::addColumn<QString>("id"); // JSON text, empty: no id key
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, QString id, QString expected) {
            QTest::newRow(name) << id << expected;
        };
        row("integer", "42", "42");
        row("string", R"("evt-7")", "evt-7");
        row("absent", "", "uuid");
        row("null", "null", "uuid");
        for (const char* invalid : {"1.5", "true", "[1]", "{}"}) {
            row(invalid, invalid, "error");
        }
    }
    void diagnosticEventIds() {
        QFETCH(QString, id);
        QFETCH(QString, expected);
        const QByteArray json =
            (eventWithoutId + (id.isEmpty() ? QString() : QString(R"(,"id":)" + id)) + u'}').toUtf8();
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
        const auto row = [](const char* name, QString text, QString encoded) {
            QTest::newRow(name) << text << encoded;
        };
        row("plain", "2025-03-04T05:06:07Z", "2025-03-04T05:06:07.000Z");
        row("milliseconds", "2025-03-04T05:06:07.089Z", "2025-03-04T05:06:07.089Z");
        row("one digit", "2025-03-04T05:06:07.5Z", "2025-03-04T05:06:07.500Z");
        row("microseconds", "2025-03-04T05:06:07.089999Z", "2025-03-04T05:06:07.089Z");
        row("offset", "2025-03-04T07:36:07+02:30", "2025-03-04T05:06:07.000Z");
        row("space", "2025-03-04 05:06:07Z", "");
        row("no zone", "2025-03-04T05:06:07", "");
        row("empty fraction", "2025-03-04T05:06:07.Z", "");
        row("no such day", "2025-02-29T05:06:07Z", "");
        row("hour 24", "2025-03-04T24:00:00Z", "");
        row("before year 1 in UTC", "0001-01-01T00:30:00+01:00", "");
        row("trailing text", "2025-03-04T05:06:07Zx", "");
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

    void hostRules_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("loopback");
        QTest::addColumn<HostKind>("inferred"); // with the fallback Local
        const auto row = [](const char* name, QString host, bool loopback, HostKind inferred) {
            QTest::newRow(name) << host << loopback << inferred;
        };
        row("localhost", "  LocalHost \n", true, HostKind::Local);
        row("ipv6", "::1", true, HostKind::Local);
        row("any", "0.0.0.0", true, HostKind::Local);
        row("127 net", "127.0.0.1", true, HostKind::Local);
        row("127 alone", "127", false, HostKind::Lan);
        row("lan", "192.168.1.50", false, HostKind::Lan);
        row("blank", "  ", false, HostKind::Local);
    }
    void hostRules() {
        QFETCH(QString, host);
        QFETCH(bool, loopback);
        QFETCH(HostKind, inferred);
        QCOMPARE(isLoopbackHost(host), loopback);
        QCOMPARE(inferredHostKind(host, HostKind::Local), inferred);
        if (host.trimmed().isEmpty()) {
            QCOMPARE(inferredHostKind(host, HostKind::Lan), HostKind::Lan);
        }
    }
};

QTEST_GUILESS_MAIN(TestWireCoding)
#include "tst_wirecoding.moc"
