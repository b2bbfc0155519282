#include "RawHttpServer.h"
#include "common/TaskFailure.h"
#include "update/CompanionUpdateInstaller.h"
#include "update/ReleaseManifestService.h"

#include <QCryptographicHash>
#include <QtTest>
#include <sys/stat.h>

using namespace std::chrono_literals;
using Reply = RawHttpServer::Reply;
Q_DECLARE_METATYPE(Reply)

class UpdateTransfersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fetchesTheManifest_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("requestMs");
        QTest::addColumn<int>("resourceMs");
        QTest::addColumn<QString>("expected"); // the error's text (its start), or the resolved latest version
        const QByteArray manifest =
            "{\"schema_version\": 1, \"stable\": {\"version\": \"1.4.0\", \"platforms\": "
            "{\"linux\": {\"download_url\": \"https://x.test/a\"}}}}";
        const char* notLoaded = "The release manifest could not be loaded.";
        QTest::newRow("200") << Reply::answer(200, manifest) << 10000 << 10000 << "1.4.0";
        QTest::newRow("204") << Reply::answer(204, {}) << 10000 << 10000 << notLoaded;
        QTest::newRow("304") << Reply::answer(304, {}) << 10000 << 10000 << notLoaded;
        QTest::newRow("500 with a manifest") << Reply::answer(500, manifest) << 10000 << 10000 << notLoaded;
        QTest::newRow("bad JSON") << Reply::answer(200, "{\"schema") << 10000 << 10000
                                  << "The data couldn’t be read because it isn’t in the correct format.";
        QTest::newRow("wrong shape") << Reply::answer(200, "{}") << 10000 << 10000
                                     << "Missing value for \"schema_version\".";
        QTest::newRow("not HTTP") << Reply::bytes("SSH-2.0-OpenSSH\r\n") << 10000 << 10000
                                  << "Connection closed";
        QTest::newRow("silence: request limit")
            << Reply::silence() << 150 << 10000 << "The request timed out.";
        // A byte every 10 ms never trips the request limit, only the overall one.
        QTest::newRow("trickle: resource limit")
            << Reply::trickle() << 10000 << 300 << "The request timed out.";
    }
    void fetchesTheManifest() {
        QFETCH(Reply, reply);
        QFETCH(int, requestMs);
        QFETCH(int, resourceMs);
        RawHttpServer server;
        server.setResponder([reply](const RawHttpServer::Request&) { return reply; });
        const ReleaseManifestService service(
            server.baseURL().resolved(QUrl("/connect/releases/companion.json")),
            std::chrono::milliseconds(requestMs), std::chrono::milliseconds(resourceMs), QString());
        ResolvedReleaseStatus status;
        QString outcome = failureOf(
            [&]() -> QCoro::Task<> { status = co_await service.currentStatus(QStringLiteral("1.3.0")); }());
        if (outcome.isEmpty()) {
            QVERIFY(status.updateAvailable);
            outcome = status.latestVersion;
        }
        QFETCH(QString, expected);
        QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
        const RawHttpServer::Request& request = server.requests().value(0);
        const auto& h = request.headers;
        // "no-cache" would forbid the answers the feed lets a cache give.
        QCOMPARE(request.method + ' ' + request.target + ' ' + h["accept"] + ' ' + h["cache-control"] + ' ' +
                     h["pragma"],
                 "GET /connect/releases/companion.json application/json  ");
    }

    // Three reads in a row: the feed's headers decide how many reach it, and how many only revalidate.
    void honoursTheFeedsCaching_data() {
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("revalidations");
        QTest::newRow("no caching headers") << QByteArray() << 3 << 0;
        QTest::newRow("max-age") << QByteArray("Cache-Control: max-age=600\r\n") << 1 << 0;
        QTest::newRow("ETag") << QByteArray("ETag: \"v1\"\r\n") << 3 << 2;
        QTest::newRow("Last-Modified")
            << QByteArray("Last-Modified: Sat, 05 Dec 2026 10:00:00 GMT\r\n") << 3 << 2;
        QTest::newRow("no-cache with ETag")
            << QByteArray("Cache-Control: no-cache\r\nETag: \"v1\"\r\n") << 3 << 2;
    }
    void honoursTheFeedsCaching() {
        QFETCH(QByteArray, headers);
        const QByteArray manifest =
            R"({"schema_version": 1, "stable": {"version": "1.4.0", "platforms": {}}})";
        RawHttpServer server;
        int revalidations = 0;
        server.setResponder([&](const RawHttpServer::Request& request) {
            const bool conditional = request.headers.value("if-none-match") == "\"v1\"" ||
                                     request.headers.contains("if-modified-since");
            revalidations += conditional;
            return conditional ? Reply::answer(304, {}, headers) : Reply::answer(200, manifest, headers);
        });
        QTemporaryDir cache;
        const ReleaseManifestService service(server.baseURL().resolved(QUrl("/feed.json")), 10s, 10s,
                                             cache.path());
        for (int read = 0; read < 3; ++read) {
            ResolvedReleaseStatus status;
            QCOMPARE(
                failureOf([&]() -> QCoro::Task<> { status = co_await service.currentStatus(u"1.3.0"_qs); }()),
                QString());
            QCOMPARE(status.latestVersion, u"1.4.0"_qs);
        }
        QTEST(int(server.requests().size()), "requests");
        QTEST(revalidations, "revalidations");
    }

    void downloadsTheImage_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("sha256");
        QTest::addColumn<QString>("failure");
        const QByteArray image(300000, 'i');
        const QString digest = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();
        const char* failed = "The update download could not be completed.";
        QTest::newRow("200") << Reply::answer(200, image) << QString() << QString();
        QTest::newRow("204") << Reply::answer(204, {}) << QString() << QString();
        QTest::newRow("digest, any case")
            << Reply::answer(200, image) << u' ' + digest.toUpper() << QString();
        QTest::newRow("digest mismatch") << Reply::answer(200, image + 'x') << digest << failed;
        QTest::newRow("404") << Reply::answer(404, image) << QString() << failed;
        QTest::newRow("redirect to ftp")
            << Reply::bytes("HTTP/1.1 302 Found\r\nLocation: ftp://127.0.0.1:9/a\r\n\r\n") << QString()
            << failed;
        QTest::newRow("silence") << Reply::silence() << QString() << "The request timed out.";
    }
    void downloadsTheImage() {
        QFETCH(Reply, reply);
        QFETCH(QString, sha256);
        QFETCH(QString, failure);
        RawHttpServer server;
        server.setResponder([reply](const RawHttpServer::Request&) { return reply; });
        QTemporaryDir folder;
        QFile stale(folder.filePath(QStringLiteral("VendriloConnect-1.4.0.dmg")));
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("stale") == 5);
        stale.close();
        // A short limit only where it is to be reached; a loaded machine may be slow to answer.
        CompanionUpdateInstaller installer(failure == u"The request timed out." ? 150ms : 30s);
        QCOMPARE(failureOf(installer.downloadDiskImage(server.baseURL(), stale.fileName(), sha256)), failure);
        // Success leaves exactly the image; failure nothing, not even the stale file.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(stale.open(QIODevice::ReadOnly) ? stale.readAll() : QByteArray("<none>"),
                 failure.isEmpty() ? reply.body : QByteArray("<none>"));
    }

    void acceptsHttpsOrLoopbackOnly() {
        for (const char* url :
             {"https://a.test/i", "http://127.1.2.3:8/i", "http://[::1]/i", "http://LOCALHOST/i"}) {
            QVERIFY2(CompanionUpdateInstaller::isAcceptableDownloadURL(QUrl(url)), url);
        }
        for (const char* url : {"http://a.test/i", "http://127.0.0.1.a.test/i", "http://0.0.0.0/i",
                                "file:///etc/hostname", "ftp://127.0.0.1/i", ""}) {
            QVERIFY2(!CompanionUpdateInstaller::isAcceptableDownloadURL(QUrl(url)), url);
        }
    }

    // A byte every 10 ms: what arrived must already be on disk (in an unnamed file
    // beside the destination), and an interrupted download leaves nothing behind.
    void streamsToDiskAndCleansUpWhenInterrupted() {
        RawHttpServer server;
        server.setResponder([](const RawHttpServer::Request&) { return Reply::trickle(); });
        QTemporaryDir folder;
        auto* installer = new CompanionUpdateInstaller();
        QCoro::Task<> download = installer->downloadDiskImage(server.baseURL(), folder.filePath("image.dmg"));
        const auto partialSize = [&] {
            for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
                struct stat info {};
                if (fd.symLinkTarget().startsWith(folder.path() + u'/') &&
                    ::stat(qPrintable(fd.filePath()), &info) == 0) {
                    return qint64(info.st_size);
                }
            }
            return qint64(-1);
        };
        QTRY_VERIFY_WITH_TIMEOUT(partialSize() >= 5, 3000);
        QVERIFY(QDir(folder.path()).isEmpty());
        delete installer;
        QVERIFY(!failureOf(std::move(download)).isEmpty());
        QCOMPARE(partialSize(), -1);
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(UpdateTransfersTest)
#include "tst_updatetransfers.moc"
