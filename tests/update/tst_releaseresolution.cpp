#include "update/ReleaseManifestService.h"
#include "update/SemVer.h"

#include <QtTest>

class ReleaseResolutionTest : public QObject {
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
};

QTEST_GUILESS_MAIN(ReleaseResolutionTest)
#include "tst_releaseresolution.moc"
