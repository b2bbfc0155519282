#include "RawHttpServer.h"
#include "WireSamples.h"
#include "common/RefusingPort.h"
#include "runtime/CompanionAPI.h"
#include "runtime/CompanionAPIError.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace std::chrono_literals;

namespace {

using Operation = std::function<QCoro::Task<>(const CompanionAPI&)>;
using Reply = RawHttpServer::Reply;

// The operation's failure as its type, details and text; empty when it succeeded
// (QCoro::waitFor alone drops exceptions).
QString failureOf(const CompanionAPI& api, const Operation& operation) {
    return QCoro::waitFor([](const CompanionAPI& client, Operation op) -> QCoro::Task<QString> {
        try {
            co_await op(client);
        } catch (const CompanionAPIError& error) {
            if (error.kind() == CompanionAPIError::Kind::InvalidResponse) {
                co_return u"invalid: "_qs + error.description();
            }
            co_return u"HTTP %1 %2: %3"_qs.arg(QString::number(error.statusCode()),
                                               error.message() ? u"with message"_qs : u"bare"_qs,
                                               error.description());
        } catch (const TransportError& error) {
            const auto names = QMetaEnum::fromType<QNetworkReply::NetworkError>();
            // The text matters where it is fixed; the platform's own wording is not compared.
            const bool fixedText = error.networkError() == QNetworkReply::TimeoutError;
            const QString text = error.description().isEmpty() ? u" (no text)"_qs
                                 : fixedText                   ? u": "_qs + error.description()
                                                               : QString();
            co_return u"transport: "_qs + QString::fromLatin1(names.valueToKey(error.networkError())) + text;
        } catch (const DecodingError& error) {
            co_return u"decoding: "_qs + error.description();
        }
        co_return QString();
    }(api, operation));
}

// A call with fixed arguments whose result the test does not need.
template <auto call, typename... Args> Operation op(Args... args) {
    return [=](const CompanionAPI& api) -> QCoro::Task<> { co_await (api.*call)(args...); };
}

// A valid answer on every route, so that only the request itself is under test.
Reply cannedAnswer(const RawHttpServer::Request& request) {
    static const QMap<QByteArray, const char*> samples{{"/v1/runtime", "runtime-paired.json"},
                                                       {"/v1/health", "health.json"},
                                                       {"/v1/diagnostics", "diagnostics.json"},
                                                       {"/v1/pairing/link", "pairing-link.json"},
                                                       {"/v1/clients/probe", "probe-clients.json"}};
    const QByteArray path = request.target.split('?').first();
    return Reply::answer(200, path == "/v1/clients/save"
                                  ? request.body
                                  : wireSample(samples.value(path, "small-answers.json")));
}

} // namespace

class TestCompanionAPI : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestsCarryPathQueryHeadersAndBody_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type
        const auto row = [](const char* name, Operation op, const char* method, const char* target,
                            QByteArray body) {
            QTest::newRow(name) << op << QByteArray(method) << QByteArray(target) << body;
        };
        using API = CompanionAPI;
        using Name = std::optional<QString>;
        const auto deluge = WireCoding::decodeList<ClientConfig>(wireSample("probe-clients.json")).first();
        row("runtime", op<&API::runtime>(), "GET", "/v1/runtime", {});
        row("health", op<&API::health>(), "GET", "/v1/health", {});
        row("healthcheck", op<&API::healthcheck>(), "GET", "/healthz", {});
        row("diagnostics", op<&API::diagnostics>(20), "GET", "/v1/diagnostics?limit=20", {});
        row("diagnostics 0", op<&API::diagnostics>(0), "GET", "/v1/diagnostics?limit=1", {});
        row("diagnostics -3", op<&API::diagnostics>(-3), "GET", "/v1/diagnostics?limit=1", {});
        row("pairing link", op<&API::pairingLink>(QStringLiteral("K7 Q/ä")), "GET",
            "/v1/pairing/link?code=K7%20Q/%C3%A4", {});
        row("begin pairing without a name", op<&API::beginPairing>(Name()), "POST", "/v1/pairing/begin",
            "{}");
        row("begin pairing", op<&API::beginPairing>(Name("Studio")), "POST", "/v1/pairing/begin",
            R"({"display_name":"Studio"})");
        row("reset pairing", op<&API::resetPairing>(QStringLiteral("macos_app_reset")), "POST",
            "/v1/pairing/reset", R"({"reason":"macos_app_reset"})");
        row("save client", op<&API::saveClient>(deluge), "POST", "/v1/clients/save",
            WireCoding::encode(deluge));
        row("delete client", op<&API::deleteClient>(QStringLiteral("qb-1")), "POST", "/v1/clients/delete",
            R"({"client_id":"qb-1"})");
        row("probe all", op<&API::probeClients>(Name()), "POST", "/v1/clients/probe", "{}");
        row("probe one", op<&API::probeClients>(Name("dl-1")), "POST", "/v1/clients/probe",
            R"({"client_id":"dl-1"})");
        row("display name", op<&API::updateDisplayName>(QStringLiteral("Ana")), "POST",
            "/v1/config/display-name", R"({"name":"Ana"})");
    }
    void requestsCarryPathQueryHeadersAndBody() {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, body);
        RawHttpServer server;
        server.setResponder(cannedAnswer);
        QCOMPARE(failureOf(CompanionAPI(server.baseURL()), operation), QString());
        QCOMPARE(server.requests().size(), 1);
        const RawHttpServer::Request& sent = server.requests().first();
        QTEST(sent.method, "method");
        QTEST(sent.target, "target");
        QCOMPARE(sent.headers.value("accept"), "application/json");
        QCOMPARE(sent.headers.value("content-type"), body.isEmpty() ? QByteArray() : "application/json");
        QCOMPARE(sent.body, body);
        QVERIFY(!sent.headers.contains("cookie") && !sent.headers.contains("authorization"));
    }

    void failuresReachTheCallerTyped_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("base"); // empty: the server's address
        QTest::addColumn<bool>("ownerAborts");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const Reply& reply, const char* expected,
                            const QString& base = {}, bool ownerAborts = false) {
            QTest::newRow(name) << reply << base << ownerAborts << QString::fromUtf8(expected);
        };
        row("404 empty", Reply::answer(404, {}), "HTTP 404 bare: The companion returned HTTP 404.");
        row("409 padded text", Reply::answer(409, "   Pairing already in progress \n"),
            "HTTP 409 with message: Pairing already in progress");
        row("500 json", Reply::answer(500, R"({"error":"db locked"})"),
            R"(HTTP 500 with message: {"error":"db locked"})");
        row("503 blank", Reply::answer(503, " \r\n"), "HTTP 503 bare: The companion returned HTTP 503.");
        row("400 not utf-8", Reply::answer(400, "\xff\xfe"),
            "HTTP 400 bare: The companion returned HTTP 400.");
        row("302 is not followed", Reply::answer(302, {}), "HTTP 302 bare: The companion returned HTTP 302.");
        row("200 empty", Reply::answer(200, {}), "decoding: Not valid JSON: illegal value at offset 0.");
        row("base is not http", {}, "invalid: The companion returned an invalid response.",
            u"file:///nonexistent-companion"_qs);
        row("nothing listening", {}, "transport: ConnectionRefusedError",
            u"http://127.0.0.1:%1"_qs.arg(m_refusing.port()));
        row("answer is not http", Reply::bytes("SSH-2.0-x\r\n"), "transport: RemoteHostClosedError");
        // The user reads the text: a limit reached is a timeout, not a cancellation.
        row("hung runtime", Reply::silence(), "transport: TimeoutError: The request timed out.");
        row("never finishes", Reply::trickle(), "transport: TimeoutError: The request timed out.");
        row("owner aborts", Reply::silence(), "transport: OperationCanceledError", {}, true);
    }
    void failuresReachTheCallerTyped() {
        QFETCH(Reply, reply);
        QFETCH(QString, base);
        QFETCH(bool, ownerAborts);
        RawHttpServer server;
        server.setResponder([&](const RawHttpServer::Request&) { return reply; });
        // A short limit only where it is to be reached; a loaded machine may be slow to answer.
        QFETCH(QString, expected);
        const bool timesOut = expected.contains(u"TimeoutError");
        const CompanionAPI api(base.isEmpty() ? server.baseURL() : QUrl(base), timesOut ? 150ms : 30s);
        if (ownerAborts) {
            QTimer::singleShot(50ms, [&api] { api.abortAll(); });
        }
        QCOMPARE(failureOf(api, op<&CompanionAPI::deleteClient>(QStringLiteral("qb-1"))), expected);
    }

private:
    RefusingPort m_refusing;
};

QTEST_GUILESS_MAIN(TestCompanionAPI)
#include "tst_companionapi.moc"
