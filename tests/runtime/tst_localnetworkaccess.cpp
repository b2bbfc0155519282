#include "common/RefusingPort.h"
#include "runtime/HostRules.h"
#include "runtime/LocalNetworkAccessCoordinator.h"
#include "runtime/LocalNetworkAccessError.h"
#include "runtime/LocalNetworkConnectionProbe.h"
#include "runtime/LocalNetworkHostRules.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A loopback port that never answers: its one-place accept queue holds a
// connection nobody accepts, so the kernel drops every further SYN.
struct SilentListener {
    QTcpServer server;
    QTcpSocket filler;
    bool hangs = false;

    explicit SilentListener(const QHostAddress& address = QHostAddress::LocalHost) {
        server.setListenBacklogSize(0);
        if (!server.listen(address)) {
            return;
        }
        server.pauseAccepting();
        filler.connectToHost(address, server.serverPort());
        QTcpSocket check;
        check.connectToHost(address, server.serverPort());
        hangs = filler.waitForConnected(1000) && !check.waitForConnected(100);
    }
    quint16 port() const { return server.serverPort(); }
};

struct Outcome {
    std::optional<bool> value;
    QString error; // the text the user reads
    qint64 elapsedMs = 0;
};

// waitFor alone never returns from a task that throws.
Outcome run(QCoro::Task<bool> task) {
    QElapsedTimer clock;
    clock.start();
    auto outcome = QCoro::waitFor([](QCoro::Task<bool> inner) -> QCoro::Task<Outcome> {
        try {
            const bool value = co_await std::move(inner);
            co_return Outcome{value, {}};
        } catch (const LocalNetworkAccessError& error) {
            co_return Outcome{{}, error.description()};
        }
    }(std::move(task)));
    outcome.elapsedMs = clock.elapsed();
    return outcome;
}

const QString v4 = u"127.0.0.1"_qs;

QCoro::Task<bool> probe(qint64 port, std::chrono::milliseconds timeout, QString host = v4) {
    co_await LocalNetworkConnectionProbe::probe(host, port, timeout);
    co_return true;
}

ClientConfig client(QString host, qint64 port) {
    ClientConfig config;
    config.host = std::move(host);
    config.port = port;
    return config;
}

// What the user reads when a target could not be reached.
QString advice(quint16 port, const QString& host = u"127.0.0.1"_qs) {
    const QString text =
        u"Vendrilo Connect could not open a LAN connection to %1:%2. If macOS asks for Local "
        u"Network access, allow it and try again. If you already denied it, enable Vendrilo "
        u"Connect in System Settings > Privacy & Security > Local Network."_qs;
    return text.arg(host).arg(port);
}

} // namespace

class TestLocalNetworkAccess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whether a host is loopback or likely on the local network, and whether a
    // target there needs local-network access when saved as a LAN or a local client.
    void hostRules_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("loopback");
        QTest::addColumn<bool>("likelyLAN");
        QTest::addColumn<bool>("accessAsLan");
        QTest::addColumn<bool>("accessAsLocal");
        const auto row = [](const char* name, const QString& host, bool loopback, bool likelyLAN, bool asLan,
                            bool asLocal) {
            QTest::newRow(name) << host << loopback << likelyLAN << asLan << asLocal;
        };
        row("localhost, padded", u"  LocalHost \n"_qs, true, true, false, false);
        row("v6 loopback", u"::1"_qs, true, true, false, false);
        row("any address", u"0.0.0.0"_qs, true, false, false, false);
        row("v4 loopback is not LAN", u"127.0.0.1"_qs, true, false, false, false);
        row("127 alone is a name", u"127"_qs, false, true, true, true);
        row("blank", u" \t\n"_qs, false, true, false, false);
        row("mdns name, upper case and padded", u"  MyNAS.LOCAL\n"_qs, false, true, true, true);
        row("10/8", u"10.1.2.3"_qs, false, true, true, true);
        row("172.16/12 low end", u"172.16.0.1"_qs, false, true, true, true);
        row("172.16/12 high end", u"172.31.255.255"_qs, false, true, true, true);
        row("above 172.16/12", u"172.32.0.1"_qs, false, false, true, false);
        row("below 172.16/12", u"172.15.0.1"_qs, false, false, true, false);
        row("192.168/16", u"192.168.1.50"_qs, false, true, true, true);
        row("next to 192.168/16", u"192.169.0.1"_qs, false, false, true, false);
        row("link-local v4", u"169.254.1.1"_qs, false, true, true, true);
        row("short dotted form is a name, not an address", u"10.1"_qs, false, false, true, false);
        row("public v6 literal, no dot", u"2001:db8::1"_qs, false, true, true, true);
        row("dotted DNS name", u"torrents.example.com"_qs, false, false, true, false);
        row("v4-mapped v6 with dotted tail", u"::ffff:192.168.1.1"_qs, false, false, true, false);
        row("unique-local v6 with dotted tail", u"fd12::10.0.0.1"_qs, false, true, true, true);
        row("fc00::/7 lower half", u"fc00::1.2.3.4"_qs, false, true, true, true);
        row("fe80::/10 upper end", u"febf::1.2.3.4"_qs, false, true, true, true);
        row("just above fe80::/10", u"fec0::1.2.3.4"_qs, false, false, true, false);
        row("scoped link-local with dotted tail", u"fe80::1.2.3.4%eth0"_qs, false, true, true, true);
        row("non-ASCII dotted name", u"nas.häuschen.de"_qs, false, false, true, false);
    }
    void hostRules() {
        QFETCH(QString, host);
        QTEST(isLoopbackHost(host), "loopback");
        QTEST(isLikelyLANHost(host), "likelyLAN");
        QTEST((LANProbeTarget{host, 8080, HostKind::Lan}.requiresLocalNetworkAccess()), "accessAsLan");
        QTEST((LANProbeTarget{host, 8080, HostKind::Local}.requiresLocalNetworkAccess()), "accessAsLocal");
    }

    void inferredHostKinds() {
        QCOMPARE(inferredHostKind(u" "_qs, HostKind::Lan), HostKind::Lan);
        QCOMPARE(inferredHostKind(u""_qs, HostKind::Local), HostKind::Local);
        QCOMPARE(inferredHostKind(u"127.0.0.1"_qs, HostKind::Lan), HostKind::Local);
        QCOMPARE(inferredHostKind(u"nas.local"_qs, HostKind::Local), HostKind::Lan);
    }

    // Only lower time bounds: a loaded machine may always be slower.
    void probeOutcomes() {
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost));
        QCOMPARE(run(probe(open.serverPort(), 5s)).value, true);
        QTRY_VERIFY(open.hasPendingConnections());

        const RefusingPort closed;
        QCOMPARE(run(probe(closed.port(), 5s)).error,
                 advice(closed.port()) + u" Details: Connection refused"_qs);

        for (const qint64 invalid : {0, -1, 65536}) { // the host as given
            QCOMPARE(run(probe(invalid, 5s, u" nas.local"_qs)).error,
                     u"The local torrent-client address  nas.local:" + QString::number(invalid) +
                         u" is not valid.");
        }

        SilentListener silent;
        if (!silent.hangs) {
            QSKIP("this kernel answers connections beyond a full accept queue");
        }
        const auto silence = run(probe(silent.port(), 200ms));
        QCOMPARE(silence.error, advice(silent.port()));
        QVERIFY2(silence.elapsedMs >= 195, QByteArray::number(silence.elapsedMs));
    }

    void everyTargetFailingThrowsTheFirstFailure() {
        SilentListener a, b, c;
        if (!a.hangs || !b.hangs || !c.hangs) {
            QSKIP("this kernel answers connections beyond a full accept queue");
        }
        LocalNetworkAccessCoordinator coordinator(200ms);
        const auto outcome = run(coordinator.prepareIfNeeded(QList<LANProbeTarget>{
            {v4, a.port(), HostKind::Lan}, {v4, b.port(), HostKind::Lan}, {v4, c.port(), HostKind::Lan}}));
        QCOMPARE(outcome.error, advice(a.port()));
        QVERIFY2(outcome.elapsedMs >= 590, QByteArray::number(outcome.elapsedMs));
        QVERIFY(!coordinator.didWarmLocalNetworkAccess());
    }

    // Spellings of ::1 without a dot count as LAN hosts, so these targets pass
    // the filter while staying on this machine. A probe of a silent target would
    // fail, so an answer of false means nothing was probed.
    void clientFormSkipsLoopbackAndRepeatsAndStopsOnceWarm() {
        SilentListener silentV4, silentV6(QHostAddress::LocalHostIPv6);
        QTcpServer open;
        if (!silentV4.hangs || !silentV6.hangs || !open.listen(QHostAddress::LocalHostIPv6)) {
            QSKIP("no silent loopback listeners here");
        }
        constexpr auto timeout = 1000ms;
        LocalNetworkAccessCoordinator coordinator(timeout);
        const auto loopbackOnly = run(coordinator.prepareIfNeeded(
            QList{client(v4, silentV4.port()), client(u"localhost"_qs, silentV4.port()), client({}, 80)}));
        QCOMPARE(loopbackOnly.value, false);

        // Loopback skipped, the repeated silent target probed once: one timeout, then
        // success. Five probes would take four seconds longer, a margin no load reaches.
        const auto silent = client(u"0::1"_qs, silentV6.port());
        const auto warmed =
            run(coordinator.prepareIfNeeded(QList{client(v4, silentV4.port()), silent, silent, silent, silent,
                                                  silent, client(u"0:0::1"_qs, open.serverPort())}));
        QCOMPARE(warmed.value, true);
        QVERIFY2(warmed.elapsedMs >= timeout.count() - 5 && warmed.elapsedMs < 5 * timeout.count(),
                 QByteArray::number(warmed.elapsedMs));
        QVERIFY(coordinator.didWarmLocalNetworkAccess());

        const auto again = run(coordinator.prepareIfNeeded(QList{silent}));
        QCOMPARE(again.value, false);
        // The target form leaves that check to its caller and probes anyway.
        const auto forced = run(coordinator.prepareIfNeeded(QList{LANProbeTarget{silent.host, silent.port}}));
        QCOMPARE(forced.error, advice(silent.port, silent.host));
    }
};

QTEST_GUILESS_MAIN(TestLocalNetworkAccess)
#include "tst_localnetworkaccess.moc"
