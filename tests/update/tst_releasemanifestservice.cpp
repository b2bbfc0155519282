#include "RawHttpServer.h"
#include "TaskFailure.h"
#include "update/ReleaseManifestService.h"

#include <QtTest>

using Reply = RawHttpServer::Reply;
Q_DECLARE_METATYPE(Reply)

class ReleaseManifestServiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fetchesAndResolvesTheManifest_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("requestMs");
        QTest::addColumn<int>("resourceMs");
        QTest::addColumn<QString>("expected"); // the error's text, or "" for success
        const QByteArray manifest =
            "{\"schema_version\": 1, \"stable\": {\"version\": \"1.4.0\", \"platforms\": "
            "{\"linux\": {\"download_url\": \"https://x.test/a\"}}}}";
        const QString notLoaded = QStringLiteral("The release manifest could not be loaded.");
        const QString timedOut = QStringLiteral("The request timed out.");
        QTest::newRow("200") << Reply::answer(200, manifest) << 10000 << 10000 << "";
        QTest::newRow("204") << Reply::answer(204, {}) << 10000 << 10000 << notLoaded;
        QTest::newRow("304") << Reply::answer(304, {}) << 10000 << 10000 << notLoaded;
        QTest::newRow("500 with a manifest body")
            << Reply::answer(500, manifest) << 10000 << 10000 << notLoaded;
        QTest::newRow("bad JSON") << Reply::answer(200, "{\"schemaVersion\": ") << 10000 << 10000
                                  << "The data couldn’t be read because it isn’t in the correct format.";
        QTest::newRow("wrong shape") << Reply::answer(200, "{}") << 10000 << 10000
                                     << "Missing value for \"schema_version\".";
        QTest::newRow("not HTTP") << Reply::bytes("SSH-2.0-OpenSSH\r\n") << 10000 << 10000
                                  << "Connection closed";
        QTest::newRow("silence hits the request limit") << Reply::silence() << 150 << 10000 << timedOut;
        // A byte every 10 ms never trips the request limit, only the overall one.
        QTest::newRow("trickle hits the resource limit") << Reply::trickle() << 10000 << 300 << timedOut;
    }
    void fetchesAndResolvesTheManifest() {
        QFETCH(Reply, reply);
        QFETCH(int, requestMs);
        QFETCH(int, resourceMs);
        QFETCH(QString, expected);
        RawHttpServer server;
        server.setResponder([reply](const RawHttpServer::Request&) { return reply; });
        QUrl url = server.baseURL();
        url.setPath(QStringLiteral("/connect/releases/companion.json"));
        const ReleaseManifestService service(url, std::chrono::milliseconds(requestMs),
                                             std::chrono::milliseconds(resourceMs));
        QElapsedTimer clock;
        clock.start();
        ResolvedReleaseStatus status;
        const QString failure = failureOf(
            [&]() -> QCoro::Task<> { status = co_await service.currentStatus(QStringLiteral("1.3.0")); }());
        QVERIFY2(expected.isEmpty() ? failure.isEmpty() : failure.startsWith(expected), qPrintable(failure));
        QVERIFY(clock.elapsed() < 5000);
        if (expected.isEmpty()) {
            QCOMPARE(status.latestVersion, QStringLiteral("1.4.0"));
            QVERIFY(status.updateAvailable);
            QCOMPARE(status.primaryActionURL, QStringLiteral("https://x.test/a"));
        }

        QVERIFY(!server.requests().isEmpty()); // Qt itself retries once a connection closes unanswered
        const RawHttpServer::Request& request = server.requests().constFirst();
        QCOMPARE(request.method + ' ' + request.target, QByteArray("GET /connect/releases/companion.json"));
        QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
        QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));
        QCOMPARE(request.headers.value("pragma"), QByteArray("no-cache"));
    }
};

QTEST_GUILESS_MAIN(ReleaseManifestServiceTest)
#include "tst_releasemanifestservice.moc"
