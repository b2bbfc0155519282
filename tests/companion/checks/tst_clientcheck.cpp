#include "RawHttpServer.h"
#include "checks/ClientCheck.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ClientType)

namespace {

using Reply = RawHttpServer::Reply;

ClientConfig clientAt(ClientType type, quint16 port) {
    ClientConfig client;
    client.label = QStringLiteral("Test");
    client.type = type;
    client.host = QStringLiteral("127.0.0.1");
    client.port = port;
    client.username = QStringLiteral("admin");
    client.password = QStringLiteral("a+b&c=d");
    return client;
}

Reply json(const char* text) {
    return Reply::answer(200, text);
}

const Reply transmissionSession = json(
    R"j({"arguments":{"version":"3.00 (bb6b5a062e)","rpc-version":16,"rpc-version-minimum":1},"result":"success"})j");

} // namespace

// Checks against local servers that answer the way the clients do when they
// fail. The real clients, deadlines and refused connections are checked through
// the runtime by tst_companionruntime and tst_companionruntime_daemons; hosts
// and ports are validated when a client is saved.
class ClientCheckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty()) {
            return;
        }
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        const QString certificate = m_dir.filePath(QStringLiteral("cert.pem"));
        QProcess process;
        process.start(openssl, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QFile keyFile(key);
        QFile certificateFile(certificate);
        QVERIFY(keyFile.open(QIODevice::ReadOnly) && certificateFile.open(QIODevice::ReadOnly));
        m_certificatePem = QString::fromUtf8(certificateFile.readAll());
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(m_certificatePem.toUtf8()));
        tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
        QVERIFY(!tls.localCertificate().isNull() && !tls.privateKey().isNull());
        m_serverTls = tls;
    }

    void answersBecomeOutcomes_data() {
        QTest::addColumn<ClientType>("type");
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<QString>("authState");
        QTest::addColumn<QString>("errorPart");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArray>("sentInLastBody");
        const auto row = [](const char* name, ClientType type, const QList<Reply>& answers,
                            const char* authState, const char* errorPart, const char* version = "",
                            const char* sent = "") {
            QTest::newRow(name) << type << answers << QString::fromUtf8(authState)
                                << QString::fromUtf8(errorPart) << QString::fromUtf8(version)
                                << QByteArray(sent);
        };
        const auto qb = ClientType::Qbittorrent;
        const auto tr = ClientType::Transmission;
        const auto de = ClientType::Deluge;
        const Reply loggedIn = json(R"({"result":true,"error":null,"id":1})");

        row("qBittorrent wrong password answered with 401", qb, {Reply::answer(401, "Fails.")}, "auth_failed",
            "rejected the user name or password", "", "password=a%2Bb%26c%3Dd");
        row("qBittorrent redirect", qb,
            {Reply::answer(301, {}, "Location: https://127.0.0.1:8080/api/v2/auth/login\r\n")},
            "bad_response", "redirects to https://127.0.0.1:8080/api/v2/auth/login");
        row("Transmission asks for a session id twice", tr,
            {Reply::answer(409, {}, "X-Transmission-Session-Id: abc\r\n")}, "bad_response",
            "a second session-id request");
        row("Transmission lockout", tr,
            {Reply::answer(403, "<h1>403: Forbidden</h1><p>Too many unsuccessful login attempts. Please "
                                "restart transmission-daemon.</p>")},
            "banned", "locked out");
        row("Transmission whitelist", tr,
            {Reply::answer(403, "<h1>403: Forbidden</h1><p>Unauthorized IP Address.</p>")}, "auth_failed",
            "RPC whitelist");
        row("Transmission failed request", tr, {json(R"({"arguments":{},"result":"no such method"})")},
            "bad_response", "session-get answered “no such method”");
        row("a web page where JSON belongs", tr, {Reply::answer(200, "<html></html>")}, "bad_response",
            "no JSON object from /transmission/rpc");
        row("Deluge without a daemon", de, {loggedIn, json(R"({"result":false,"error":null,"id":2})")}, "ok",
            "", "", R"("method":"web.connected")");
        row("Deluge 1.3 reports its version through daemon.info", de,
            {loggedIn, json(R"({"result":true,"error":null,"id":2})"),
             json(R"({"result":null,"error":{"message":"Unknown method","code":2},"id":3})"),
             json(R"({"result":"1.3.15","error":null,"id":4})")},
            "ok", "", "1.3.15", R"("method":"daemon.info")");
        row("Deluge refuses the session after login", de,
            {loggedIn, json(R"({"result":null,"error":{"message":"Not authenticated","code":1},"id":2})")},
            "auth_failed", "not the session that followed");
        row("not the web interface", de, {Reply::answer(404, "Not Found")}, "bad_response",
            "HTTP status 404 for /json");
    }
    void answersBecomeOutcomes() {
        QFETCH(ClientType, type);
        QFETCH(QList<Reply>, answers);
        QFETCH(QString, authState);
        QFETCH(QString, errorPart);
        QFETCH(QByteArray, sentInLastBody);

        RawHttpServer server;
        server.setResponder(RawHttpServer::inTurn(answers));
        const ClientCheckOutcome outcome =
            QCoro::waitFor(checkClient(m_network, clientAt(type, server.port())));
        QCOMPARE(outcome.authState, authState);
        QCOMPARE(outcome.lastError.has_value(), authState != QStringLiteral("ok"));
        QVERIFY2(outcome.lastError.value_or(QString()).contains(errorPart),
                 qPrintable(outcome.lastError.value_or("")));
        const auto reported = outcome.capabilities.find(QStringLiteral("client_version"));
        QTEST(reported == outcome.capabilities.end() ? QString() : reported->description(), "version");
        QVERIFY(!server.requests().isEmpty());
        QVERIFY2(server.requests().last().body.contains(sentInLastBody), server.requests().last().body);
        for (const RawHttpServer::Request& request : server.requests()) {
            QCOMPARE(request.headers.value("referer"), server.baseURL().toEncoded());
        }
    }

    void tlsTrust_data() {
        QTest::addColumn<bool>("serverUsesTls");
        QTest::addColumn<bool>("skipVerify");
        QTest::addColumn<QString>("caPem"); // "own": the server's certificate
        QTest::addColumn<QString>("authState");
        QTest::addColumn<QString>("errorPart");
        const auto row = [](const char* name, bool serverUsesTls, bool skipVerify, const char* caPem,
                            const char* authState, const char* errorPart) {
            QTest::newRow(name) << serverUsesTls << skipVerify << QString::fromUtf8(caPem)
                                << QString::fromUtf8(authState) << QString::fromUtf8(errorPart);
        };
        row("self-signed certificate is not trusted", true, false, "", "tls_error", "is not trusted");
        row("skipping verification reaches the client", true, true, "", "ok", "");
        row("its own certificate as CA is trusted", true, false, "own", "ok", "");
        row("unreadable CA", true, false, "-----BEGIN CERTIFICATE-----\nxx", "tls_error",
            "could not be read");
        row("TLS to a plain HTTP port", false, true, "", "tls_error",
            "Check that it serves HTTPS on this port");
    }
    void tlsTrust() {
        QFETCH(bool, serverUsesTls);
        QFETCH(bool, skipVerify);
        QFETCH(QString, caPem);
        QFETCH(QString, errorPart);
        if (!m_serverTls) {
            QSKIP("openssl is not installed, so no certificate can be made for a local TLS server");
        }
        RawHttpServer server(serverUsesTls ? m_serverTls : std::nullopt);
        server.setResponder(RawHttpServer::inTurn({transmissionSession}));
        ClientConfig client = clientAt(ClientType::Transmission, server.port());
        client.useTls = true;
        client.insecureSkipVerify = skipVerify;
        if (!caPem.isEmpty()) {
            client.caCertPem = caPem == u"own" ? m_certificatePem : caPem;
        }
        const ClientCheckOutcome outcome = QCoro::waitFor(checkClient(m_network, client));
        QTEST(outcome.authState, "authState");
        QVERIFY2(outcome.lastError.value_or(QString()).contains(errorPart),
                 qPrintable(outcome.lastError.value_or("")));

        if (skipVerify && serverUsesTls) {
            // A connection kept from the lenient check must not let a strict one through.
            client.insecureSkipVerify = false;
            QCOMPARE(QCoro::waitFor(checkClient(m_network, client)).authState, QStringLiteral("tls_error"));
        }
    }

private:
    QNetworkAccessManager m_network;
    QTemporaryDir m_dir;
    std::optional<QSslConfiguration> m_serverTls;
    QString m_certificatePem;
};

QTEST_GUILESS_MAIN(ClientCheckTest)
#include "tst_clientcheck.moc"
