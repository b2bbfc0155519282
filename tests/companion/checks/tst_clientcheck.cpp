#include "CannedHttpServer.h"
#include "checks/ClientCheck.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(ClientType)

namespace {

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

QByteArray json(const char* text) {
    return CannedHttpServer::answer(200, text, "Content-Type: application/json\r\n");
}

const QByteArray transmissionSession = json(
    R"j({"arguments":{"version":"3.00 (bb6b5a062e)","rpc-version":16,"rpc-version-minimum":1},"result":"success"})j");

} // namespace

// Checks against local servers that answer the way the clients do, including
// the ways they fail; the real clients are exercised by tst_clientcheck_daemons.
class ClientCheckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void answersBecomeOutcomes_data();
    void answersBecomeOutcomes();
    void slowClientIsUnreachableAtTheDeadline();
    void unreachableAddresses_data();
    void unreachableAddresses();
    void tlsTrust_data();
    void tlsTrust();
    void trustIsDecidedByEveryCheck();

private:
    QNetworkAccessManager m_network;
    QTemporaryDir m_dir;
    std::optional<QSslConfiguration> m_serverTls;
    QString m_certificatePem;
};

void ClientCheckTest::initTestCase() {
    QVERIFY(m_dir.isValid());
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

void ClientCheckTest::answersBecomeOutcomes_data() {
    QTest::addColumn<ClientType>("type");
    QTest::addColumn<QByteArrayList>("answers");
    QTest::addColumn<QString>("authState");
    QTest::addColumn<QString>("errorPart");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QByteArray>("sentInLastRequest");

    const auto qb = ClientType::Qbittorrent;
    const auto tr = ClientType::Transmission;
    const auto de = ClientType::Deluge;
    QTest::newRow("qBittorrent logs in with an encoded form and its SID")
        << qb
        << QByteArrayList{CannedHttpServer::answer(200, "Ok.",
                                                   "Set-Cookie: SID=s3cr3t; HttpOnly; path=/\r\n"),
                          CannedHttpServer::answer(200, "v4.5.2"), CannedHttpServer::answer(200, "2.8.19")}
        << "ok" << QString() << "4.5.2" << QByteArray("Cookie: SID=s3cr3t");
    QTest::newRow("qBittorrent wrong password answered with 401")
        << qb << QByteArrayList{CannedHttpServer::answer(401, "Fails.")} << "auth_failed"
        << "rejected the user name or password" << QString() << QByteArray("password=a%2Bb%26c%3Dd");
    QTest::newRow("qBittorrent redirect")
        << qb
        << QByteArrayList{CannedHttpServer::answer(301, {},
                                                   "Location: https://127.0.0.1:8080/api/v2/auth/login\r\n")}
        << "bad_response"
        << "redirects to https://127.0.0.1:8080/api/v2/auth/login" << QString() << QByteArray();
    QTest::newRow("Transmission asks for a session id twice")
        << tr << QByteArrayList{CannedHttpServer::answer(409, {}, "X-Transmission-Session-Id: abc\r\n")}
        << "bad_response"
        << "a second session-id request" << QString() << QByteArray();
    QTest::newRow("Transmission lockout")
        << tr
        << QByteArrayList{CannedHttpServer::answer(
               403, "<h1>403: Forbidden</h1><p>Too many unsuccessful login attempts. Please restart "
                    "transmission-daemon.</p>")}
        << "banned"
        << "locked out" << QString() << QByteArray();
    QTest::newRow("Transmission whitelist")
        << tr
        << QByteArrayList{CannedHttpServer::answer(403,
                                                   "<h1>403: Forbidden</h1><p>Unauthorized IP Address.</p>")}
        << "auth_failed"
        << "RPC whitelist" << QString() << QByteArray();
    QTest::newRow("Transmission failed request")
        << tr << QByteArrayList{json(R"({"arguments":{},"result":"no such method"})")} << "bad_response"
        << "session-get answered “no such method”" << QString() << QByteArray();
    QTest::newRow("a web page where JSON belongs")
        << tr << QByteArrayList{CannedHttpServer::answer(200, "<html></html>")} << "bad_response"
        << "no JSON object from /transmission/rpc" << QString() << QByteArray();
    QTest::newRow("Deluge without a daemon")
        << de
        << QByteArrayList{json(R"({"result":true,"error":null,"id":1})"),
                          json(R"({"result":false,"error":null,"id":2})")}
        << "ok" << QString() << QString() << QByteArray(R"("method":"web.connected")");
    QTest::newRow("Deluge 1.3 reports its version through daemon.info")
        << de
        << QByteArrayList{json(R"({"result":true,"error":null,"id":1})"),
                          json(R"({"result":true,"error":null,"id":2})"),
                          json(R"({"result":null,"error":{"message":"Unknown method","code":2},"id":3})"),
                          json(R"({"result":"1.3.15","error":null,"id":4})")}
        << "ok" << QString() << "1.3.15" << QByteArray(R"("method":"daemon.info")");
    QTest::newRow("Deluge refuses the session after login")
        << de
        << QByteArrayList{json(R"({"result":true,"error":null,"id":1})"),
                          json(R"({"result":null,"error":{"message":"Not authenticated","code":1},"id":2})")}
        << "auth_failed"
        << "not the session that followed" << QString() << QByteArray();
    QTest::newRow("not the web interface")
        << de << QByteArrayList{CannedHttpServer::answer(404, "Not Found")} << "bad_response"
        << "HTTP status 404 for /json" << QString() << QByteArray();
}

void ClientCheckTest::answersBecomeOutcomes() {
    QFETCH(ClientType, type);
    QFETCH(QByteArrayList, answers);
    QFETCH(QString, authState);
    QFETCH(QString, errorPart);
    QFETCH(QString, version);
    QFETCH(QByteArray, sentInLastRequest);

    CannedHttpServer server(answers);
    const ClientCheckOutcome outcome = QCoro::waitFor(checkClient(m_network, clientAt(type, server.port())));

    QCOMPARE(outcome.authState, authState);
    QCOMPARE(outcome.lastError.has_value(), authState != QStringLiteral("ok"));
    QVERIFY2(outcome.lastError.value_or(QString()).contains(errorPart),
             qPrintable(outcome.lastError.value_or("")));
    const auto reported = outcome.capabilities.find(QStringLiteral("client_version"));
    QCOMPARE(reported == outcome.capabilities.end() ? QString() : reported->description(), version);
    QVERIFY(!server.requests().isEmpty());
    QVERIFY2(server.requests().last().contains(sentInLastRequest), server.requests().last().constData());
    const QByteArray referer = "Referer: http://127.0.0.1:" + QByteArray::number(server.port()) + "\r\n";
    for (const QByteArray& request : server.requests()) {
        QVERIFY2(request.contains(referer), request.constData());
    }
}

void ClientCheckTest::slowClientIsUnreachableAtTheDeadline() {
    CannedHttpServer silent({});
    QElapsedTimer elapsed;
    elapsed.start();
    const ClientCheckOutcome outcome =
        QCoro::waitFor(checkClient(m_network, clientAt(ClientType::Deluge, silent.port()), 150ms));
    QCOMPARE(outcome.authState, QStringLiteral("unreachable"));
    QVERIFY2(outcome.lastError->contains(QStringLiteral("did not answer within 0.15 seconds")),
             qPrintable(*outcome.lastError));
    QVERIFY2(elapsed.elapsed() < 2000, QByteArray::number(elapsed.elapsed()).constData());
    QCOMPARE(silent.requests().size(), 1);
}

void ClientCheckTest::unreachableAddresses_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("errorPart");

    // Port 0 stands for one that nothing listens on.
    QTest::newRow("nothing listens") << "127.0.0.1" << 0 << "refused the connection";
    QTest::newRow("a URL where the host belongs")
        << "http://127.0.0.1/" << 9091 << "The host “http://127.0.0.1/” entered for Transmission is not";
    QTest::newRow("blank host") << "  " << 9091 << "The host “” entered for Transmission is not";
    QTest::newRow("port out of range") << "127.0.0.1" << 65536 << "The port 65536 entered for Transmission";
}

void ClientCheckTest::unreachableAddresses() {
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, errorPart);

    ClientConfig client = clientAt(ClientType::Transmission, 0);
    client.host = host;
    client.port = port;
    if (port == 0) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        client.port = probe.serverPort();
    }
    const ClientCheckOutcome outcome = QCoro::waitFor(checkClient(m_network, client));
    QCOMPARE(outcome.authState, QStringLiteral("unreachable"));
    QVERIFY2(outcome.lastError->contains(errorPart), qPrintable(*outcome.lastError));
}

void ClientCheckTest::tlsTrust_data() {
    QTest::addColumn<bool>("serverUsesTls");
    QTest::addColumn<bool>("skipVerify");
    QTest::addColumn<QString>("caPem");
    QTest::addColumn<QString>("authState");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("self-signed certificate is not trusted") << true << false << QString() << "tls_error"
                                                            << "is not trusted";
    QTest::newRow("skipping verification reaches the client")
        << true << true << QString() << "ok" << QString();
    QTest::newRow("its own certificate as CA is trusted") << true << false << "own"
                                                          << "ok" << QString();
    QTest::newRow("unreadable CA") << true << false << "-----BEGIN CERTIFICATE-----\nxx"
                                   << "tls_error"
                                   << "could not be read";
    QTest::newRow("TLS to a plain HTTP port") << false << true << QString() << "tls_error"
                                              << "Check that it serves HTTPS on this port";
}

void ClientCheckTest::tlsTrust() {
    QFETCH(bool, serverUsesTls);
    QFETCH(bool, skipVerify);
    QFETCH(QString, caPem);
    QFETCH(QString, authState);
    QFETCH(QString, errorPart);
    if (!m_serverTls) {
        QSKIP("openssl is not installed, so no certificate can be made for a local TLS server");
    }

    CannedHttpServer server({transmissionSession}, serverUsesTls ? m_serverTls : std::nullopt);
    ClientConfig client = clientAt(ClientType::Transmission, server.port());
    client.useTls = true;
    client.insecureSkipVerify = skipVerify;
    if (!caPem.isEmpty()) {
        client.caCertPem = caPem == QStringLiteral("own") ? m_certificatePem : caPem;
    }
    const ClientCheckOutcome outcome = QCoro::waitFor(checkClient(m_network, client));
    QCOMPARE(outcome.authState, authState);
    QVERIFY2(outcome.lastError.value_or(QString()).contains(errorPart),
             qPrintable(outcome.lastError.value_or("")));
}

void ClientCheckTest::trustIsDecidedByEveryCheck() {
    if (!m_serverTls) {
        QSKIP("openssl is not installed, so no certificate can be made for a local TLS server");
    }
    CannedHttpServer server({transmissionSession}, m_serverTls);
    ClientConfig client = clientAt(ClientType::Transmission, server.port());
    client.useTls = true;
    client.insecureSkipVerify = true;
    QCOMPARE(QCoro::waitFor(checkClient(m_network, client)).authState, QStringLiteral("ok"));
    // A connection kept from the lenient check must not let the strict one through.
    client.insecureSkipVerify = false;
    QCOMPARE(QCoro::waitFor(checkClient(m_network, client)).authState, QStringLiteral("tls_error"));
}

QTEST_GUILESS_MAIN(ClientCheckTest)
#include "tst_clientcheck.moc"
