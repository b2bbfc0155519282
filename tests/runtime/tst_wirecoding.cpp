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

QByteArray editedSnapshot(const QString& path, const QByteArray& valueJson) {
    const QJsonValue root = QJsonDocument::fromJson(sample("runtime-paired.json")).object();
    const std::optional<QJsonValue> value =
        valueJson.isEmpty() ? std::nullopt : std::optional(QJsonDocument::fromJson("[" + valueJson + "]")[0]);
    return QJsonDocument(edited(root, path.split(u'.'), value).toObject()).toJson();
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
        QTest::newRow("words") << "heartbeatIntervalS"
                               << "heartbeat_interval_s"
                               << "heartbeatIntervalS";
        QTest::newRow("capital run at the end") << "clientID"
                                                << "client_id"
                                                << "clientId";
        QTest::newRow("capital run before a word") << "URLValue"
                                                   << "url_value"
                                                   << "urlValue";
        QTest::newRow("one word") << "state"
                                  << "state"
                                  << "state";
        QTest::newRow("digits") << "ipv4Address"
                                << "ipv4_address"
                                << "ipv4Address";
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
        QTest::newRow("snake case") << QByteArray(R"("auth_state":"ok")") << "ok";
        QTest::newRow("camel case") << QByteArray(R"("authState":"ok")") << "ok";
        QTest::newRow("beside an unknown key") << QByteArray(R"("auth_state":"ok","zz_top":1)") << "ok";
        QTest::newRow("doubled underscore") << QByteArray(R"("auth__state":"ok")") << "ok";
        QTest::newRow("capital after underscore") << QByteArray(R"("auth_State":"ok")") << "ok";
        QTest::newRow("both spellings, first key wins")
            << QByteArray(R"("auth_state":"b","authState":"a")") << "a";
        QTest::newRow("leading capital") << QByteArray(R"("Auth_state":"ok")") << "";
        QTest::newRow("no separator") << QByteArray(R"("authstate":"ok")") << "";
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
        QVERIFY(!encoded.contains("null"));                 // absent optionals are left out
    }

    void defaultsAndNulls() {
        auto snapshot = decode<RuntimeSnapshot>(
            R"({"state":"s","db_path":"d","schema_version":1,"default_config_created":false,"last_error":null,)"
            R"("identity":{"display_name":"n","platform":"linux","agent_version":"1","pairing":{"status":"unpaired"}},)"
            R"("backend":{"api_base_url":"a","presence_url":"p","jwks_url":"j","jwt_issuer":"i","jwt_audience":"a",)"
            R"("stun_servers":[],"relay_payload_cap_bytes":0,"relay_stats_rate_cap_bps":0},"local_network":null,)"
            R"("admin":{"enabled":true,"listen_address":"l"},"diagnostics":{"log_level":"info","log_format":"json",)"
            R"("keep_diag_events":1},"backend_status":{"pairing_status":"unpaired","presence_state":null,"reconnect_attempts":0}})");
        QCOMPARE(snapshot.localNetwork, LocalNetworkSnapshot::empty());
        QVERIFY(snapshot.clients.isEmpty() && snapshot.registeredAdapters.isEmpty() && !snapshot.lastError);
        QCOMPARE(decode<LocalNetworkSnapshot>("{}"), LocalNetworkSnapshot::empty());
        QCOMPARE(decode<ClientHealthRollup>("{}"), ClientHealthRollup{});

        const auto client = decode<ClientConfig>(
            R"({"id":"x","label":"l","type":"deluge","host_kind":"local","host":"h","port":1,"use_tls":false,"insecure_skip_verify":false})");
        QCOMPARE(client.authState, "unknown");
        const QByteArray encoded = encode(client);
        QVERIFY(encoded.contains(R"("auth_state":"unknown")"));
        QVERIFY(!encoded.contains("username"));
    }

    void invalidAnswersFailWhole_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("value"); // empty: the key is removed
        QTest::addColumn<QString>("message");
        QTest::newRow("missing required")
            << "identity.display_name" << QByteArray() << R"(Missing value for "identity.display_name".)";
        QTest::newRow("null required") << "state" << QByteArray("null")
                                       << R"(Unexpected value for "state": expected a string, found null.)";
        QTest::newRow("wrong type optional")
            << "admin_address" << QByteArray("42")
            << R"(Unexpected value for "admin_address": expected a string, found 42.)";
        QTest::newRow("wrong type defaulted")
            << "admin.allowed_origins" << QByteArray(R"("x")")
            << R"(Unexpected value for "admin.allowed_origins": expected an array, found "x".)";
        QTest::newRow("strict enum is case-sensitive")
            << "identity.pairing.status" << QByteArray(R"("PAIRED")")
            << R"(Unexpected value for "identity.pairing.status": expected one of "unpaired", "pending", "paired", found "PAIRED".)";
        QTest::newRow("one unknown client type")
            << "clients.1.type" << QByteArray(R"("utorrent")")
            << R"(Unexpected value for "clients[1].type": expected one of "qbittorrent", "transmission", "deluge", found "utorrent".)";
        QTest::newRow("one unknown adapter")
            << "registered_adapters" << QByteArray(R"(["deluge","rtorrent"])")
            << R"(Unexpected value for "registered_adapters[1]": expected one of "qbittorrent", "transmission", "deluge", found "rtorrent".)";
        QTest::newRow("fraction for an integer")
            << "schema_version" << QByteArray("1.5")
            << R"(Unexpected value for "schema_version": expected a 64-bit integer, found 1.5.)";
        QTest::newRow("integer beyond 64 bits")
            << "local_network.listen_port" << QByteArray("9223372036854775808")
            << R"(Unexpected value for "local_network.listen_port": expected a 64-bit integer, found 9.2233720368547758e+18.)";
        QTest::newRow("missing presence key") << "backend_status.presence_state" << QByteArray()
                                              << R"(Missing value for "backend_status.presence_state".)";
        QTest::newRow("date with a space") << "started_at" << QByteArray(R"("2025-03-04 05:06:07Z")")
                                           << "Unsupported ISO-8601 date: 2025-03-04 05:06:07Z";
        QTest::newRow("map that is a list")
            << "clients.0.capabilities" << QByteArray("[]")
            << R"(Unexpected value for "clients[0].capabilities": expected an object, found an array.)";
    }
    void invalidAnswersFailWhole() {
        QFETCH(QString, path);
        QFETCH(QByteArray, value);
        QFETCH(QString, message);
        QCOMPARE(decodingFailure<RuntimeSnapshot>(editedSnapshot(path, value)), message);
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
        const auto snapshot = decode<RuntimeSnapshot>(editedSnapshot("backend_status.presence_state", value));
        QCOMPARE(snapshot.backendStatus.presenceState, expected);
    }

    void freeFormValuesKeepTheirKind() {
        const auto client = decode<ClientConfig>(
            R"({"id":"x","label":"l","type":"qbittorrent","host_kind":"lan","host":"h","port":1,"use_tls":true,)"
            R"("insecure_skip_verify":false,"capabilities":{"int":1,"whole":2.0,"dbl":1.5,"flag":true,"text":"t",)"
            R"("nested":{"a":1},"list":[1],"none":null,"camelKey":7}})");
        const AnyCodableMap& caps = client.capabilities;
        QCOMPARE(caps["int"], AnyCodable{qint64(1)});
        QCOMPARE(caps["whole"], AnyCodable{qint64(2)});
        QCOMPARE(caps["dbl"], AnyCodable{1.5});
        QCOMPARE(caps["flag"], AnyCodable{true});
        QCOMPARE(caps["text"], AnyCodable{QStringLiteral("t")});
        for (const char* empty : {"nested", "list", "none"}) {
            QCOMPARE(caps[empty], AnyCodable{QString()});
        }
        QVERIFY(caps.contains("camelKey"));
        QCOMPARE(decode<ClientConfig>(encode(client)), client);
        QCOMPARE(caps["dbl"].description(), "1.5");
        QCOMPARE(caps["flag"].description(), "true");
        QVERIFY(qHash(AnyCodable{qint64(1)}) != qHash(AnyCodable{true}));
    }

    void diagnosticEventIds_data() {
        QTest::addColumn<QString>("id"); // JSON text, empty: no id key
        QTest::addColumn<QString>("expected");
        QTest::newRow("integer") << "42"
                                 << "42";
        QTest::newRow("string") << R"("evt-7")"
                                << "evt-7";
        QTest::newRow("absent") << ""
                                << "uuid";
        QTest::newRow("null") << "null"
                              << "uuid";
        QTest::newRow("fraction") << "1.5"
                                  << "error";
        QTest::newRow("boolean") << "true"
                                 << "error";
        QTest::newRow("array") << "[1]"
                               << "error";
        QTest::newRow("object") << "{}"
                                << "error";
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
        QTest::newRow("plain") << "2025-03-04T05:06:07Z"
                               << "2025-03-04T05:06:07.000Z";
        QTest::newRow("milliseconds") << "2025-03-04T05:06:07.089Z"
                                      << "2025-03-04T05:06:07.089Z";
        QTest::newRow("one digit") << "2025-03-04T05:06:07.5Z"
                                   << "2025-03-04T05:06:07.500Z";
        QTest::newRow("microseconds") << "2025-03-04T05:06:07.089999Z"
                                      << "2025-03-04T05:06:07.089Z";
        QTest::newRow("offset") << "2025-03-04T07:36:07+02:30"
                                << "2025-03-04T05:06:07.000Z";
        QTest::newRow("space") << "2025-03-04 05:06:07Z"
                               << "";
        QTest::newRow("no zone") << "2025-03-04T05:06:07"
                                 << "";
        QTest::newRow("empty fraction") << "2025-03-04T05:06:07.Z"
                                        << "";
        QTest::newRow("no such day") << "2025-02-29T05:06:07Z"
                                     << "";
        QTest::newRow("hour 24") << "2025-03-04T24:00:00Z"
                                 << "";
        QTest::newRow("before year 1 in UTC") << "0001-01-01T00:30:00+01:00"
                                              << "";
        QTest::newRow("trailing text") << "2025-03-04T05:06:07Zx"
                                       << "";
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

    void requestBodies() {
        QCOMPARE(encode(BeginPairingBody{}), "{}");
        QCOMPARE(encode(BeginPairingBody{QStringLiteral("Studio")}), R"({"display_name":"Studio"})");
        QCOMPARE(encode(ProbeClientsBody{}), "{}");
        QCOMPARE(encode(DeleteClientBody{QStringLiteral("qb")}), R"({"client_id":"qb"})");
        // The runtime reads them back, whichever spelling the key has.
        QCOMPARE(decode<DeleteClientBody>(R"({"client_id":"qb"})").clientID, "qb");
        QCOMPARE(decode<ProbeClientsBody>(R"({"clientID":"qb"})").clientID, "qb");
        QCOMPARE(decode<PairingLinkPayload>(
                     R"({"code":"c","webUrl":"w","appUrl":"a","source":"s","qrImageUrl":"q"})")
                     .qrImageUrl,
                 "q");
    }

    void hostRules_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("loopback");
        QTest::addColumn<HostKind>("inferred"); // with the fallback Local
        QTest::newRow("localhost") << "  LocalHost \n" << true << HostKind::Local;
        QTest::newRow("ipv6") << "::1" << true << HostKind::Local;
        QTest::newRow("any") << "0.0.0.0" << true << HostKind::Local;
        QTest::newRow("127 net") << "127.0.0.1" << true << HostKind::Local;
        QTest::newRow("127 alone") << "127" << false << HostKind::Lan;
        QTest::newRow("lan") << "192.168.1.50" << false << HostKind::Lan;
        QTest::newRow("blank") << "  " << false << HostKind::Local;
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

    void enumRawValues() {
        for (const ClientType type : allClientTypes()) {
            QCOMPARE(clientTypeFromRaw(rawValue(type)).value(), type);
        }
        QCOMPARE(rawValue(CompanionHealthStatus::SetupRequired), "setup_required");
        QCOMPARE(companionHealthStatusFromRaw(u"setup_required").value(),
                 CompanionHealthStatus::SetupRequired);
        QVERIFY(!hostKindFromRaw(u"LAN"));
    }
};

QTEST_GUILESS_MAIN(TestWireCoding)
#include "tst_wirecoding.moc"
