#include "RawHttpServer.h"
#include "common/FileText.h"
#include "common/TaskFailure.h"
#include "update/CompanionUpdateInstaller.h"
#include "update/ReleaseManifestService.h"
#include "update/SemVer.h"

#include <QCryptographicHash>
#include <QtTest>
#include <sys/stat.h>

using namespace std::chrono_literals;
using Reply = RawHttpServer::Reply;
Q_DECLARE_METATYPE(Reply)

// The release feed's versions and how they resolve for this platform; the feed and the image
// fetched from a loopback HTTP peer.
class ReleasesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesFeedVersions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // major.minor.patch-prerelease, "" when invalid
        const auto row = [](const char* text, const char* expected) {
            QTest::newRow(text) << text << expected;
        };
        row(" v1.2.3-beta.2+build-7\n", "1.2.3-beta.2");
        row("01.002.0003-rc-1", "1.2.3-rc-1");
        row("1.2.3.4", "1.2.3-");
        row("9223372036854775807.0.0", "9223372036854775807.0.0-");
        for (const char* invalid :
             {"V1.2.3", "1.3", "1..3", "1.2.+3", "1.2.３", "9223372036854775808.0.0", " "}) {
            row(invalid, "");
        }
    }
    void parsesFeedVersions() {
        QFETCH(QString, text);
        const auto v = SemVer::parse(text);
        const QString parsed =
            v ? QStringLiteral("%1.%2.%3-").arg(v->major).arg(v->minor).arg(v->patch) : QString();
        QTEST(v ? parsed + v->prerelease : parsed, "expected");
    }

    void ordersVersions_data() {
        QTest::addColumn<QString>("lhs");
        QTest::addColumn<QString>("rhs");
        QTest::addColumn<QString>("order"); // "<", ">" or "=" (neither is older)
        const auto row = [](const char* lhs, const char* rhs, const char* order) {
            QTest::addRow("%s %s %s", lhs, order, rhs) << lhs << rhs << order;
        };
        row("1.2.0", "v1.3.0-beta.2", "<");
        row("1.3.0-beta.2", "1.3.0", "<");
        row("1.3.0-beta.10", "1.3.0-beta.9", ">");
        row("1.0.0-b.99999999999999999999", "1.0.0-b.100000000000000000000", "<");
        row("2.0.0", "10.0.0", "<");
        row("1.3.0-RC1", "1.3.0-rc1", "=");
        row("1.0.0-rc.01", "1.0.0-rc.1", "=");
        row("1.3.0-alpha", "1.3.0-Beta", "<");
        row("1.3.0-beta", "1.3.0-beta.1", "<");
        row("1.0.0-a.b", "1.0.0-a1", "<");
    }
    void ordersVersions() {
        QFETCH(QString, lhs);
        QFETCH(QString, rhs);
        const auto a = SemVer::parse(lhs);
        const auto b = SemVer::parse(rhs);
        QVERIFY(a && b);
        QTEST(QString(*a < *b ? u'<' : *b < *a ? u'>' : u'='), "order");
    }

    // Manifest JSON with single quotes; the channel says " 1.4.0 " plus `channel`.
    void resolvesForThisPlatform_data() {
        QTest::addColumn<QByteArray>("platforms");
        QTest::addColumn<QByteArray>("channel");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("expected"); // latest|minimum|flags|label|action|download|sha
        const auto row = [](const char* name, const char* platforms, const char* channel,
                            const char* installed, const char* expected) {
            QTest::newRow(name) << QByteArray(platforms) << QByteArray(channel) << installed << expected;
        };
        const char* minimum = ", 'minimumSupported': '1.2.0'";
        row("other platform", "'macos': {'version': '9.0.0', 'downloadUrl': 'https://m'}", "", "1.3.0",
            "1.4.0||A--||||");
        row("instructions only", "'linux': {'instructionsUrl': 'https://how'}", "", "1.4.0",
            "1.4.0||---|Open Update Guide|https://how||");
        row("snake case, trimmed", "'linux': {'download_url': ' https://a ', 'sha256': ' AB '}", "",
            "1.4.0-rc.1", "1.4.0||A--|Update Now|https://a|https://a|AB");
        row("platform wins, blank falls back",
            "'linux': {'version': '2.0.0', 'minimumSupported': ' ', 'primaryActionLabel': 'Get it', "
            "'downloadUrl': 'https://b', 'instructionsUrl': 'https://how'}",
            ", 'minimum_supported': '1.1.0'", "1.1.0", "2.0.0|1.1.0|A--|Get it|https://b|https://b|");
        row("installed unparsable", "", "", "1.3", "1.4.0||A-U||||");
        row("blank installed", "", minimum, " ", "1.4.0|1.2.0|ARU||||");
        row("at the minimum", "", minimum, "1.2.0", "1.4.0|1.2.0|A--||||");
        row("below the minimum", "", minimum, "1.1.9", "1.4.0|1.2.0|AR-||||");
        row("minimum unparsable", "", ", 'minimumSupported': 'soon'", "0.1.0", "1.4.0|soon|A--||||");
    }
    void resolvesForThisPlatform() {
        QFETCH(QByteArray, platforms);
        QFETCH(QByteArray, channel);
        QFETCH(QString, installed);
        const QByteArray json = QByteArray("{'schema_version': 1, 'stable': {'version': ' 1.4.0 '" + channel +
                                           ", 'platforms': {" + platforms + "}}}")
                                    .replace('\'', '"');
        const ResolvedReleaseStatus s = ReleaseManifestService::resolve(ReleaseManifest::decode(json),
                                                                        installed, QStringLiteral("linux"));
        const QString flags = QString(s.updateAvailable ? u'A' : u'-') + (s.updateRequired ? u'R' : u'-') +
                              (s.unknownInstalledBuild ? u'U' : u'-');
        const QStringList fields{s.latestVersion,      s.minimumSupported, flags,
                                 s.primaryActionLabel, s.primaryActionURL, s.downloadURL,
                                 s.downloadSHA256};
        QTEST(fields.join(u'|'), "expected");
        QCOMPARE(s.installedVersion, installed);
    }

    // Three reads in a row. The feed's headers decide how many reach it, and how many only revalidate.
    void readsTheFeed_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("expected"); // the error's text (its start), or the resolved latest version
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("revalidations");
        QTest::addColumn<int>("requestMs");
        QTest::addColumn<int>("resourceMs");
        const auto row = [](const char* name, const Reply& reply, const char* expected, int requests = 3,
                            int revalidations = 0, int requestMs = 10000, int resourceMs = 10000) {
            QTest::newRow(name) << reply << QString::fromUtf8(expected) << requests << revalidations
                                << requestMs << resourceMs;
        };
        const auto manifest = [](const QByteArray& headers = {}) {
            return Reply::answer(
                200,
                "{\"schema_version\": 1, \"stable\": {\"version\": \"1.4.0\", \"platforms\": "
                "{\"linux\": {\"download_url\": \"https://x.test/a\"}}}}",
                headers);
        };
        const char* notLoaded = "The release manifest could not be loaded.";
        row("200", manifest(), "1.4.0");
        row("max-age", manifest("Cache-Control: max-age=600\r\n"), "1.4.0", 1);
        row("ETag", manifest("ETag: \"v1\"\r\n"), "1.4.0", 3, 2);
        row("Last-Modified", manifest("Last-Modified: Sat, 05 Dec 2026 10:00:00 GMT\r\n"), "1.4.0", 3, 2);
        row("no-cache with ETag", manifest("Cache-Control: no-cache\r\nETag: \"v1\"\r\n"), "1.4.0", 3, 2);
        row("204", Reply::answer(204, {}), notLoaded);
        row("304", Reply::answer(304, {}), notLoaded);
        row("500 with a manifest", Reply::answer(500, manifest().body), notLoaded);
        row("bad JSON", Reply::answer(200, "{\"schema"),
            "The data couldn’t be read because it isn’t in the correct format.");
        row("wrong shape", Reply::answer(200, "{}"), "Missing value for \"schema_version\".");
        // A connection closed without an answer is tried once more.
        row("not HTTP", Reply::bytes("SSH-2.0-OpenSSH\r\n"), "Connection closed", 6);
        row("silence: request limit", Reply::silence(), "The request timed out.", 3, 0, 150);
        // A byte every 10 ms never trips the request limit, only the overall one.
        row("trickle: resource limit", Reply::trickle(), "The request timed out.", 3, 0, 10000, 300);
    }
    void readsTheFeed() {
        QFETCH(Reply, reply);
        QFETCH(QString, expected);
        QFETCH(int, requestMs);
        QFETCH(int, resourceMs);
        RawHttpServer server;
        int revalidations = 0;
        server.setResponder([&](const RawHttpServer::Request& request) {
            const bool conditional = request.headers.value("if-none-match") == "\"v1\"" ||
                                     request.headers.contains("if-modified-since");
            revalidations += conditional;
            return conditional ? Reply::answer(304, {}, reply.headers) : reply;
        });
        QTemporaryDir cache;
        const ReleaseManifestService service(
            server.baseURL().resolved(QUrl("/connect/releases/companion.json")),
            std::chrono::milliseconds(requestMs), std::chrono::milliseconds(resourceMs), cache.path());
        for (int read = 0; read < 3; ++read) {
            ResolvedReleaseStatus status;
            const QString failure =
                failureOf([&]() -> QCoro::Task<> { status = co_await service.currentStatus(u"1.3.0"_qs); }());
            const QString outcome = failure.isEmpty() ? status.latestVersion : failure;
            QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
        }
        QTEST(int(server.requests().size()), "requests");
        QTEST(revalidations, "revalidations");
        const RawHttpServer::Request& request = server.requests().value(0);
        const auto& h = request.headers;
        // "no-cache" would forbid the answers the feed lets a cache give.
        QCOMPARE(request.method + ' ' + request.target + ' ' + h["accept"] + ' ' + h["cache-control"] + ' ' +
                     h["pragma"],
                 "GET /connect/releases/companion.json application/json  ");
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
        const QString image = folder.filePath("VendriloConnect-1.4.0.dmg");
        QVERIFY(writeFile(image, "stale"));
        // A short limit only where it is to be reached; a loaded machine may be slow to answer.
        CompanionUpdateInstaller installer(failure == u"The request timed out." ? 150ms : 30s);
        QCOMPARE(failureOf(installer.downloadDiskImage(server.baseURL(), image, sha256)), failure);
        // Success leaves exactly the image; failure nothing, not even the stale file.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), failure.isEmpty() ? 1 : 0);
        QCOMPARE(readFile(image), failure.isEmpty() ? reply.body : QByteArray());
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

QTEST_GUILESS_MAIN(ReleasesTest)
#include "tst_releases.moc"
