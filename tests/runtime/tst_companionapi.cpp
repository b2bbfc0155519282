#include "RawHttpServer.h"
#include "WireSamples.h"
#include "runtime/CompanionAPI.h"
#include "runtime/CompanionAPIError.h"
#include "runtime/WireCoding.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace std::chrono_literals;

namespace {

using Operation = std::function<QCoro::Task<>(const CompanionAPI&)>;
using Reply = RawHttpServer::Reply;

// The operation's failure if it is an E (QCoro::waitFor alone drops exceptions).
template <typename E> std::optional<E> failureAs(const CompanionAPI& api, const Operation& operation) {
    return QCoro::waitFor([](const CompanionAPI& client, Operation op) -> QCoro::Task<std::optional<E>> {
        try {
            co_await op(client);
        } catch (const E& error) {
            co_return error;
        } catch (...) {
        }
        co_return std::nullopt;
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
        QVERIFY(!failureAs<std::exception>(CompanionAPI(server.baseURL()), operation));
        QCOMPARE(server.requests().size(), 1);
        const RawHttpServer::Request& sent = server.requests().first();
        QTEST(sent.method, "method");
        QTEST(sent.target, "target");
        QCOMPARE(sent.headers.value("accept"), "application/json");
        QCOMPARE(sent.headers.value("content-type"), body.isEmpty() ? QByteArray() : "application/json");
        QCOMPARE(sent.body, body);
        QVERIFY(!sent.headers.contains("cookie") && !sent.headers.contains("authorization"));
    }

    void answersOutsideSuccessBecomeErrors_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text"); // empty: a decoding error is expected
        QTest::addColumn<bool>("hasMessage");
        const auto row = [](const char* name, int status, QByteArray body, const char* text,
                            bool hasMessage) {
            QTest::newRow(name) << status << body << QString::fromUtf8(text) << hasMessage;
        };
        row("404 empty", 404, {}, "The companion returned HTTP 404.", false);
        row("409 padded text", 409, "   Pairing already in progress \n", "Pairing already in progress", true);
        row("500 json", 500, R"({"error":"db locked"})", R"({"error":"db locked"})", true);
        row("503 blank", 503, " \r\n", "The companion returned HTTP 503.", false);
        row("400 not utf-8", 400, "\xff\xfe", "The companion returned HTTP 400.", false);
        row("302 is not followed", 302, {}, "The companion returned HTTP 302.", false);
        row("200 empty", 200, {}, "", false);
    }
    void answersOutsideSuccessBecomeErrors() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        RawHttpServer server;
        server.setResponder([&](const RawHttpServer::Request&) { return Reply::answer(status, body); });
        const CompanionAPI api(server.baseURL());
        const Operation deleteClient = op<&CompanionAPI::deleteClient>(QStringLiteral("qb-1"));
        if (text.isEmpty()) {
            QVERIFY(failureAs<DecodingError>(api, deleteClient));
            return;
        }
        const auto error = failureAs<CompanionAPIError>(api, deleteClient);
        QVERIFY(error);
        QCOMPARE(error->kind(), CompanionAPIError::Kind::RequestFailed);
        QCOMPARE(error->statusCode(), status);
        QTEST(error->message().has_value(), "hasMessage");
        QCOMPARE(error->description(), text);
    }

    void answerThatIsNotHttpIsInvalid() {
        const CompanionAPI api(QUrl(QStringLiteral("file:///nonexistent-companion")));
        const auto error = failureAs<CompanionAPIError>(api, op<&CompanionAPI::healthcheck>());
        QVERIFY(error);
        QCOMPARE(error->kind(), CompanionAPIError::Kind::InvalidResponse);
        QCOMPARE(error->description(), "The companion returned an invalid response.");
    }

    void transportFailures_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("networkError");
        QTest::newRow("nothing listening") << "refused" << int(QNetworkReply::ConnectionRefusedError);
        QTest::newRow("hung runtime") << "hung" << int(QNetworkReply::OperationCanceledError);
        QTest::newRow("owner aborts") << "abort" << int(QNetworkReply::OperationCanceledError);
        QTest::newRow("never finishes") << "trickle" << int(QNetworkReply::OperationCanceledError);
        QTest::newRow("answer is not http") << "garbage" << int(QNetworkReply::RemoteHostClosedError);
    }
    void transportFailures() {
        QFETCH(QString, situation);
        auto server = std::make_unique<RawHttpServer>();
        server->setResponder([situation](const RawHttpServer::Request&) {
            return situation == u"trickle"   ? Reply::trickle()
                   : situation == u"garbage" ? Reply::bytes("SSH-2.0-x\r\n")
                                             : Reply::silence();
        });
        const QUrl url = server->baseURL();
        if (situation == u"refused") {
            server.reset();
        }
        // The owner's abort comes long before the timeout would.
        const CompanionAPI api(url, situation == u"abort" ? 30s : 150ms);
        if (situation == u"abort") {
            QTimer::singleShot(50ms, [&api] { api.abortAll(); });
        }
        QElapsedTimer clock;
        clock.start();
        const auto error = failureAs<TransportError>(api, op<&CompanionAPI::runtime>());
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(error);
        QTEST(error->networkError(), "networkError");
        QVERIFY(!error->description().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCompanionAPI)
#include "tst_companionapi.moc"
