#include "runtime/LANProbeTarget.h"
#include "runtime/LocalNetworkAccessError.h"
#include "runtime/LocalNetworkHostRules.h"

#include <QTest>

class TestLocalNetworkHosts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void likelyLANHost_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("expected");
        QTest::newRow("mdns name") << "nas.local" << true;
        QTest::newRow("mdns name, upper case and padded") << "  MyNAS.LOCAL\n" << true;
        QTest::newRow("single label") << "synology" << true;
        QTest::newRow("10/8") << "10.1.2.3" << true;
        QTest::newRow("172.16/12 low end") << "172.16.0.1" << true;
        QTest::newRow("172.16/12 high end") << "172.31.255.255" << true;
        QTest::newRow("above 172.16/12") << "172.32.0.1" << false;
        QTest::newRow("below 172.16/12") << "172.15.0.1" << false;
        QTest::newRow("192.168/16") << "192.168.1.50" << true;
        QTest::newRow("next to 192.168/16") << "192.169.0.1" << false;
        QTest::newRow("link-local v4") << "169.254.1.1" << true;
        QTest::newRow("public v4") << "8.8.8.8" << false;
        QTest::newRow("v4 loopback is not LAN") << "127.0.0.1" << false;
        QTest::newRow("short dotted form is a name, not an address") << "10.1" << false;
        QTest::newRow("public v6 literal, no dot") << "2001:db8::1" << true;
        QTest::newRow("link-local v6 literal") << "fe80::1" << true;
        QTest::newRow("dotted DNS name") << "example.com" << false;
        QTest::newRow("v4-mapped v6 with dotted tail") << "::ffff:192.168.1.1" << false;
        QTest::newRow("unique-local v6 with dotted tail") << "fd12::10.0.0.1" << true;
        QTest::newRow("fc00::/7 lower half") << "fc00::1.2.3.4" << true;
        QTest::newRow("link-local v6 with dotted tail") << "fe80::1.2.3.4" << true;
        QTest::newRow("fe80::/10 upper end") << "febf::1.2.3.4" << true;
        QTest::newRow("just above fe80::/10") << "fec0::1.2.3.4" << false;
        QTest::newRow("scoped link-local with dotted tail") << "fe80::1.2.3.4%eth0" << true;
        QTest::newRow("non-ASCII dotted name") << u"nas.häuschen.de"_qs << false;
    }
    void likelyLANHost() {
        QFETCH(QString, host);
        QFETCH(bool, expected);
        QCOMPARE(isLikelyLANHost(host), expected);
    }

    void requiresLocalNetworkAccess_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<HostKind>("kind");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty") << "" << HostKind::Lan << false;
        QTest::newRow("blank") << " \t\n" << HostKind::Lan << false;
        QTest::newRow("localhost marked lan") << "localhost" << HostKind::Lan << false;
        QTest::newRow("padded loopback marked lan") << " 127.0.0.1 " << HostKind::Lan << false;
        QTest::newRow("public name marked lan") << "torrents.example.com" << HostKind::Lan << true;
        QTest::newRow("private address marked local") << "192.168.1.50" << HostKind::Local << true;
        QTest::newRow("public name marked local") << "torrents.example.com" << HostKind::Local << false;
        QTest::newRow("mdns name marked local, padded") << " nas.local " << HostKind::Local << true;
    }
    void requiresLocalNetworkAccess() {
        QFETCH(QString, host);
        QFETCH(HostKind, kind);
        QFETCH(bool, expected);
        QCOMPARE((LANProbeTarget{host, 8080, kind}.requiresLocalNetworkAccess()), expected);
    }

    void errorTextsNameTheTargetAsGiven() {
        QCOMPARE(LocalNetworkAccessError::invalidTarget(u" nas.local"_qs, -1).description(),
                 u"The local torrent-client address  nas.local:-1 is not valid."_qs);
        const QString advice =
            u"Vendrilo Connect could not open a LAN connection to 10.0.0.2:9091. If macOS asks for Local "
            u"Network access, allow it and try again. If you already denied it, enable Vendrilo Connect in "
            u"System Settings > Privacy & Security > Local Network."_qs;
        QCOMPARE(LocalNetworkAccessError::timedOut(u"10.0.0.2"_qs, 9091).description(), advice);
        const auto failed =
            LocalNetworkAccessError::probeFailed(u"10.0.0.2"_qs, 9091, u"No route to host"_qs);
        QCOMPARE(failed.description(), advice + u" Details: No route to host"_qs);
        QCOMPARE(failed.kind(), LocalNetworkAccessError::Kind::ProbeFailed);
    }
};

QTEST_GUILESS_MAIN(TestLocalNetworkHosts)
#include "tst_localnetworkhosts.moc"
