#include "runtime/WireCoding.h"
#include "update/ReleaseManifestService.h"
#include "update/SemVer.h"

#include <QtTest>

namespace {

// JSON written with single quotes, which keeps the tables readable.
QByteArray json(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

} // namespace

class ReleaseResolutionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesVersionsLikeTheFeedWritesThem_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // major.minor.patch|prerelease, empty when invalid
        QTest::newRow("plain") << "1.2.3"
                               << "1.2.3|";
        QTest::newRow("v prefix and blanks") << " \tv1.2.3\n"
                                             << "1.2.3|";
        QTest::newRow("upper-case V") << "V1.2.3"
                                      << "";
        QTest::newRow("two v") << "vv1.2.3"
                               << "";
        QTest::newRow("leading zeros") << "01.002.0003"
                                       << "1.2.3|";
        QTest::newRow("prerelease and build") << "1.2.3-beta.2+build.7"
                                              << "1.2.3|beta.2";
        QTest::newRow("hyphen inside build") << "1.2.3+build-7"
                                             << "1.2.3|";
        QTest::newRow("hyphens in prerelease") << "1.2.3-rc-1-x"
                                               << "1.2.3|rc-1-x";
        QTest::newRow("fourth piece ignored") << "1.2.3.4"
                                              << "1.2.3|";
        QTest::newRow("two pieces") << "1.3"
                                    << "";
        QTest::newRow("empty piece") << "1..3"
                                     << "";
        QTest::newRow("sign") << "1.2.+3"
                              << "";
        QTest::newRow("letters") << "1.2.x"
                                 << "";
        QTest::newRow("wide digit") << "1.2.３"
                                    << "";
        QTest::newRow("largest 64-bit") << "9223372036854775807.0.0"
                                        << "9223372036854775807.0.0|";
        QTest::newRow("beyond 64 bits") << "9223372036854775808.0.0"
                                        << "";
        QTest::newRow("empty") << "  "
                               << "";
    }
    void parsesVersionsLikeTheFeedWritesThem() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto version = SemVer::parse(text);
        const QString actual = version ? QStringLiteral("%1.%2.%3|%4")
                                             .arg(version->major)
                                             .arg(version->minor)
                                             .arg(version->patch)
                                             .arg(version->prerelease)
                                       : QString();
        QCOMPARE(actual, expected);
    }

    void ordersVersions_data() {
        QTest::addColumn<QString>("lhs");
        QTest::addColumn<QString>("rhs");
        QTest::addColumn<bool>("lhsOlder");
        QTest::addColumn<bool>("rhsOlder");
        QTest::newRow("prerelease of a newer minor") << "1.2.0"
                                                     << "v1.3.0-beta.2" << true << false;
        QTest::newRow("release beats prerelease") << "1.3.0-beta.2"
                                                  << "1.3.0" << true << false;
        QTest::newRow("digit runs by value") << "1.3.0-beta.9"
                                             << "1.3.0-beta.10" << true << false;
        QTest::newRow("huge digit runs") << "1.0.0-b.99999999999999999999"
                                         << "1.0.0-b.100000000000000000000" << true << false;
        QTest::newRow("numbers not text") << "2.0.0"
                                          << "10.0.0" << true << false;
        QTest::newRow("build metadata ignored") << "1.4.0+build7"
                                                << "1.4.0" << false << false;
        QTest::newRow("case-insensitive") << "1.3.0-RC1"
                                          << "1.3.0-rc1" << false << false;
        QTest::newRow("leading zeros in a tag") << "1.0.0-rc.01"
                                                << "1.0.0-rc.1" << false << false;
        QTest::newRow("alphabetical tags") << "1.3.0-Alpha"
                                           << "1.3.0-beta" << true << false;
        QTest::newRow("shorter tag first") << "1.3.0-beta"
                                           << "1.3.0-beta.1" << true << false;
        QTest::newRow("punctuation before digits") << "1.0.0-a.b"
                                                   << "1.0.0-a1" << true << false;
        QTest::newRow("patch") << "1.2.10"
                               << "1.2.9" << false << true;
    }
    void ordersVersions() {
        QFETCH(QString, lhs);
        QFETCH(QString, rhs);
        const auto a = SemVer::parse(lhs);
        const auto b = SemVer::parse(rhs);
        QVERIFY(a && b);
        QTEST(*a < *b, "lhsOlder");
        QTEST(*b < *a, "rhsOlder");
    }

    // Platform entries are written in their wire spelling; the channel is {version: 1.4.0}
    // unless the case gives its own.
    void resolvesTheManifestForThisPlatform_data() {
        QTest::addColumn<QByteArray>("platforms");
        QTest::addColumn<QByteArray>("channelExtra");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("expected");
        const QByteArray download =
            json("'linux': {'download_url': ' https://x.test/a.dmg ', 'sha256': ' AB12 '}");
        QTest::newRow("no entry for this platform")
            << json("'macos': {'version': '9.0.0', 'downloadUrl': 'https://x.test/m.dmg'}") << QByteArray()
            << "1.3.0"
            << "latest=1.4.0 min= flags=A-- label= action= download= sha=";
        QTest::newRow("instructions only")
            << json("'linux': {'instructionsUrl': 'https://x.test/how'}") << QByteArray() << "1.4.0"
            << "latest=1.4.0 min= flags=--- label=Open Update Guide action=https://x.test/how download= sha=";
        QTest::newRow("download, snake case, trimmed")
            << download << QByteArray() << "1.4.0-rc.1"
            << "latest=1.4.0 min= flags=A-- label=Update Now "
               "action=https://x.test/a.dmg download=https://x.test/a.dmg sha=AB12";
        QTest::newRow("platform values win, blank ones fall back")
            << json("'linux': {'version': '2.0.0', 'minimumSupported': '  ', 'primaryActionLabel': 'Get it',"
                    " 'downloadUrl': 'https://x.test/b', 'instructionsUrl': 'https://x.test/how'}")
            << json(", 'minimum_supported': '1.1.0'") << "1.1.0"
            << "latest=2.0.0 min=1.1.0 flags=A-- label=Get it action=https://x.test/b "
               "download=https://x.test/b sha=";
        QTest::newRow("installed does not parse")
            << QByteArray() << QByteArray() << "1.3"
            << "latest=1.4.0 min= flags=A-U label= action= download= sha=";
        QTest::newRow("installed blank, minimum parses")
            << QByteArray() << json(", 'minimumSupported': '1.0.0'") << " "
            << "latest=1.4.0 min=1.0.0 flags=ARU label= action= download= sha=";
        QTest::newRow("at the minimum") << QByteArray() << json(", 'minimumSupported': '1.2.0'") << "1.2.0"
                                        << "latest=1.4.0 min=1.2.0 flags=A-- label= action= download= sha=";
        QTest::newRow("below the minimum")
            << QByteArray() << json(", 'minimumSupported': '1.2.0'") << "1.1.9"
            << "latest=1.4.0 min=1.2.0 flags=AR- label= action= download= sha=";
        QTest::newRow("unparsable minimum never requires")
            << QByteArray() << json(", 'minimumSupported': 'soon'") << "0.1.0"
            << "latest=1.4.0 min=soon flags=A-- label= action= download= sha=";
        QTest::newRow("up to date by build metadata")
            << QByteArray() << QByteArray() << "1.4.0+build7"
            << "latest=1.4.0 min= flags=--- label= action= download= sha=";
    }
    void resolvesTheManifestForThisPlatform() {
        QFETCH(QByteArray, platforms);
        QFETCH(QByteArray, channelExtra);
        QFETCH(QString, installed);
        QFETCH(QString, expected);
        const QByteArray document = json("{'schema_version': 1, 'stable': {'version': ' 1.4.0 '") +
                                    channelExtra + json(", 'platforms': {") + platforms + "}}}";
        const ResolvedReleaseStatus status = ReleaseManifestService::resolve(
            ReleaseManifest::decode(document), installed, QStringLiteral("linux"));
        const QString flags = QString(status.updateAvailable ? u'A' : u'-') +
                              (status.updateRequired ? u'R' : u'-') +
                              (status.unknownInstalledBuild ? u'U' : u'-');
        QCOMPARE(QStringLiteral("latest=%1 min=%2 flags=%3 label=%4 action=%5 download=%6 sha=%7")
                     .arg(status.latestVersion, status.minimumSupported, flags, status.primaryActionLabel,
                          status.primaryActionURL, status.downloadURL, status.downloadSHA256),
                 expected);
        QCOMPARE(status.installedVersion, installed);
    }

    void rejectsDocumentsThatAreNotManifests_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not JSON") << QByteArray("<html>");
        QTest::newRow("no stable channel") << json("{'schemaVersion': 1}");
        QTest::newRow("no platforms") << json("{'schemaVersion': 1, 'stable': {'version': '1.0.0'}}");
        QTest::newRow("number as a url") << QByteArray(json(
            "{'schemaVersion': 1, 'stable': {'version': '1', 'platforms': {'linux': {'downloadUrl': 5}}}}"));
        QTest::newRow("fractional schema")
            << QByteArray(json("{'schemaVersion': 1.5, 'stable': {'version': '1', 'platforms': {}}}"));
    }
    void rejectsDocumentsThatAreNotManifests() {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(DecodingError, ReleaseManifest::decode(json));
    }
};

QTEST_GUILESS_MAIN(ReleaseResolutionTest)
#include "tst_releaseresolution.moc"
