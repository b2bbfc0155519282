#include "runtime/LocalNetworkAccessCoordinator.h"
#include "runtime/LocalNetworkAccessError.h"
#include "runtime/LocalNetworkConnectionProbe.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>

#include <optional>
#include <poll.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A loopback port that never answers: the listener's accept queue (backlog 0)
// is filled by one connection that is never accepted, so the kernel drops every
// further SYN and a connecting client waits until it gives up.
class SilentListener {
public:
    explicit SilentListener(const QHostAddress& address) {
        const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
        sockaddr_storage storage{};
        socklen_t length = 0;
        if (v6) {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
            in6->sin6_family = AF_INET6;
            in6->sin6_addr = in6addr_loopback;
            length = sizeof(sockaddr_in6);
        } else {
            auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
            in4->sin_family = AF_INET;
            in4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof(sockaddr_in);
        }
        auto* any = reinterpret_cast<sockaddr*>(&storage);
        m_listener = ::socket(any->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0 || ::bind(m_listener, any, length) != 0 || ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, any, &length) != 0) {
            return;
        }
        m_port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                          : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
        m_filler = ::socket(any->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_filler < 0 || ::connect(m_filler, any, length) != 0) {
            m_port = 0;
            return;
        }
        // The kernel must really drop the next attempt, or the timeout tests prove nothing.
        const int probe = ::socket(any->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(probe, any, length);
        pollfd watch{probe, POLLOUT, 0};
        m_hangs = ::poll(&watch, 1, 100) == 0;
        ::close(probe);
    }
    ~SilentListener() {
        for (const int fd : {m_filler, m_listener}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool hangs() const { return m_port != 0 && m_hangs; }
    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    quint16 m_port = 0;
    bool m_hangs = false;
};

// A void task that ends without an error has the value true.
template <typename T> struct Outcome {
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::optional<LocalNetworkAccessError> error;
    qint64 elapsedMs = 0;
};

// Runs the task to its end; waitFor alone would never return from a throwing task.
template <typename T> Outcome<T> run(QCoro::Task<T> task) {
    QElapsedTimer clock;
    clock.start();
    auto captured = [](QCoro::Task<T> inner) -> QCoro::Task<Outcome<T>> {
        Outcome<T> outcome;
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(inner);
                outcome.value = true;
            } else {
                outcome.value = co_await std::move(inner);
            }
        } catch (const LocalNetworkAccessError& error) {
            outcome.error = error;
        }
        co_return outcome;
    }(std::move(task));
    Outcome<T> outcome = QCoro::waitFor(std::move(captured));
    outcome.elapsedMs = clock.elapsed();
    return outcome;
}

quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

ClientConfig client(QString host, qint64 port) {
    ClientConfig config;
    config.host = std::move(host);
    config.port = port;
    config.hostKind = HostKind::Lan;
    return config;
}

const QString v4 = u"127.0.0.1"_qs;

} // namespace

class TestLocalNetworkProbe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void probeOutcomes() {
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost));
        const auto connected = run(LocalNetworkConnectionProbe::probe(v4, open.serverPort(), 5s));
        QVERIFY(!connected.error);
        QTRY_VERIFY(open.hasPendingConnections());

        const quint16 closed = closedPort();
        const auto refused = run(LocalNetworkConnectionProbe::probe(v4, closed, 5s));
        QVERIFY(refused.error);
        QCOMPARE(refused.error->kind(), LocalNetworkAccessError::Kind::ProbeFailed);
        QCOMPARE(refused.error->port(), closed);
        QVERIFY(!refused.error->underlying().isEmpty());
        QVERIFY(refused.error->description().endsWith(u"Details: " + refused.error->underlying()));

        SilentListener silent(QHostAddress::LocalHost);
        if (!silent.hangs()) {
            QSKIP("this kernel answers connections beyond a full accept queue");
        }
        const auto silence = run(LocalNetworkConnectionProbe::probe(v4, silent.port(), 200ms));
        QVERIFY(silence.error);
        QCOMPARE(silence.error->kind(), LocalNetworkAccessError::Kind::TimedOut);
        QVERIFY2(silence.elapsedMs >= 195 && silence.elapsedMs < 1500, QByteArray::number(silence.elapsedMs));
    }

    void invalidPortsFailWithoutAnAttempt_data() {
        QTest::addColumn<qint64>("port");
        QTest::newRow("zero") << qint64(0);
        QTest::newRow("negative") << qint64(-1);
        QTest::newRow("one past the range") << qint64(65536);
        QTest::newRow("far past the range") << qint64(70000);
    }
    void invalidPortsFailWithoutAnAttempt() {
        QFETCH(qint64, port);
        const auto outcome = run(LocalNetworkConnectionProbe::probe(v4, port, 5s));
        QVERIFY(outcome.error);
        QCOMPARE(outcome.error->kind(), LocalNetworkAccessError::Kind::InvalidTarget);
        QCOMPARE(outcome.error->description(),
                 u"The local torrent-client address 127.0.0.1:" + QString::number(port) + u" is not valid.");
    }

    void firstSuccessWarmsForGood() {
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost));
        SilentListener silent(QHostAddress::LocalHostIPv6);
        if (!silent.hangs()) {
            QSKIP("no silent IPv6 loopback listener here");
        }
        LocalNetworkAccessCoordinator coordinator(300ms);
        const auto first = run(coordinator.prepareIfNeeded(QList<LANProbeTarget>{
            {v4, closedPort(), HostKind::Lan}, {v4, open.serverPort(), HostKind::Lan}}));
        QCOMPARE(first.value, std::optional<bool>(true));
        QVERIFY(coordinator.didWarmLocalNetworkAccess());

        // The client form no longer probes at all, not even a target that would hang.
        const auto again = run(coordinator.prepareIfNeeded(QList{client(u"0::1"_qs, silent.port())}));
        QCOMPARE(again.value, std::optional<bool>(false));
        QVERIFY(again.elapsedMs < 300);
        // The target form leaves that check to its caller.
        const auto forced = run(
            coordinator.prepareIfNeeded(QList<LANProbeTarget>{{u"0::1"_qs, silent.port(), HostKind::Lan}}));
        QCOMPARE(forced.error->kind(), LocalNetworkAccessError::Kind::TimedOut);
        QVERIFY(coordinator.didWarmLocalNetworkAccess());
    }

    void everyTargetFailingThrowsTheFirstFailure() {
        SilentListener a(QHostAddress::LocalHost), b(QHostAddress::LocalHost), c(QHostAddress::LocalHost);
        if (!a.hangs() || !b.hangs() || !c.hangs()) {
            QSKIP("this kernel answers connections beyond a full accept queue");
        }
        LocalNetworkAccessCoordinator coordinator(200ms);
        const auto outcome = run(coordinator.prepareIfNeeded(QList<LANProbeTarget>{
            {v4, a.port(), HostKind::Lan}, {v4, b.port(), HostKind::Lan}, {v4, c.port(), HostKind::Lan}}));
        QVERIFY(outcome.error);
        QCOMPARE(outcome.error->kind(), LocalNetworkAccessError::Kind::TimedOut);
        QCOMPARE(outcome.error->port(), a.port());
        QVERIFY2(outcome.elapsedMs >= 590 && outcome.elapsedMs < 2500, QByteArray::number(outcome.elapsedMs));
        QVERIFY(!coordinator.didWarmLocalNetworkAccess());
    }

    // Every spelling of ::1 without a dot passes as a LAN host, so these targets
    // go through the filter while staying on this machine.
    void clientFormSkipsLocalHostsAndRepeats() {
        SilentListener silentV4(QHostAddress::LocalHost);
        SilentListener silentV6(QHostAddress::LocalHostIPv6);
        QTcpServer open;
        if (!silentV4.hangs() || !silentV6.hangs() || !open.listen(QHostAddress::LocalHostIPv6)) {
            QSKIP("no silent loopback listeners here");
        }
        constexpr auto timeout = 250ms;
        LocalNetworkAccessCoordinator coordinator(timeout);

        const auto nothingToDo = run(coordinator.prepareIfNeeded(
            QList{client(v4, silentV4.port()), client(u"localhost"_qs, silentV4.port()), client({}, 80)}));
        QCOMPARE(nothingToDo.value, std::optional<bool>(false));
        QVERIFY(nothingToDo.elapsedMs < timeout.count());

        // Loopback skipped, the repeated silent target probed once: one timeout, then success.
        const auto warmed = run(coordinator.prepareIfNeeded(
            QList{client(v4, silentV4.port()), client(u"0::1"_qs, silentV6.port()),
                  client(u"0::1"_qs, silentV6.port()), client(u"0::1"_qs, silentV6.port()),
                  client(u"0:0::1"_qs, open.serverPort())}));
        QCOMPARE(warmed.value, std::optional<bool>(true));
        QVERIFY2(warmed.elapsedMs >= timeout.count() - 5 && warmed.elapsedMs < 2 * timeout.count() - 50,
                 QByteArray::number(warmed.elapsedMs));
        QVERIFY(coordinator.didWarmLocalNetworkAccess());
    }
};

QTEST_GUILESS_MAIN(TestLocalNetworkProbe)
#include "tst_localnetworkprobe.moc"
