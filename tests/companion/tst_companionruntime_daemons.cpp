#include "DaemonProcess.h"
#include "PrivateLoopbackNetwork.h"
#include "RuntimeProcess.h"
#include "runtime/ClientConfig.h"
#include "runtime/HealthSummary.h"
#include "runtime/WireCoding.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The probe route against a real torrent client: what the runtime stores and
// reports after a successful, a refused and an unreachable check.
class CompanionRuntimeDaemonsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void probeStoresWhatTheRealClientSaid() {
        QTemporaryDir dir;
        const quint16 rpcPort = freeLoopbackPort();
        // Loopback only and quiet: no DHT, peer discovery, PeX, uTP or port forwarding.
        const QJsonObject settings{{"bind-address-ipv4", "127.0.0.1"},
                                   {"bind-address-ipv6", "::1"},
                                   {"rpc-bind-address", "127.0.0.1"},
                                   {"rpc-port", rpcPort},
                                   {"peer-port", int(freeLoopbackPort())},
                                   {"peer-port-random-on-start", false},
                                   {"dht-enabled", false},
                                   {"lpd-enabled", false},
                                   {"pex-enabled", false},
                                   {"utp-enabled", false},
                                   {"port-forwarding-enabled", false},
                                   {"blocklist-enabled", false},
                                   {"rpc-authentication-required", true},
                                   {"rpc-username", "admin"},
                                   {"rpc-password", "secret"},
                                   {"rpc-whitelist-enabled", true},
                                   {"rpc-whitelist", "127.0.0.1"},
                                   {"download-dir", dir.filePath("downloads")},
                                   {"watch-dir-enabled", false}};
        QFile file(dir.filePath("settings.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(settings).toJson());
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", dir.path());
        DaemonProcess daemon("transmission-daemon", {"--foreground", "--config-dir", dir.path()},
                             dir.filePath("transmission.log"), environment);
        QVERIFY2(daemon.waitForPort(rpcPort, 20s), daemon.log().constData());

        RuntimeProcess runtime(dir.filePath("runtime"));
        QVERIFY2(runtime.start(), runtime.output().constData());
        QCOMPARE(runtime
                     .post("/v1/clients/save",
                           RuntimeProcess::clientJson("right", "Right", rpcPort, "transmission"))
                     .status,
                 200);
        QCOMPARE(runtime
                     .post("/v1/clients/save",
                           RuntimeProcess::clientJson("wrong", "Wrong", rpcPort, "transmission", "not-it"))
                     .status,
                 200);

        const auto checked =
            WireCoding::decodeList<ClientConfig>(runtime.post("/v1/clients/probe", "{}").body);
        QCOMPARE(checked.size(), 2);
        const ClientConfig& right = checked.at(0);
        QCOMPARE(right.authState, QStringLiteral("ok"));
        QVERIFY(right.lastOkAt && !right.lastError);
        QVERIFY(!right.capabilities.value("client_version").description().isEmpty());
        QCOMPARE(checked.at(1).authState, QStringLiteral("auth_failed"));
        QVERIFY(checked.at(1).lastError && !checked.at(1).lastOkAt);

        const auto health = WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
        QCOMPARE(health.clients.healthy, 1);
        QCOMPARE(health.clients.degraded, 1);

        daemon.stop();
        const auto gone = WireCoding::decodeList<ClientConfig>(
            runtime.post("/v1/clients/probe", R"({"client_id":"right"})").body);
        QCOMPARE(gone.size(), 1);
        QCOMPARE(gone.first().authState, QStringLiteral("unreachable"));
        QCOMPARE(gone.first().lastOkAt, right.lastOkAt); // the last success is still known
        QVERIFY(gone.first().lastError);
    }
};

int main(int argc, char** argv) {
    // Before Qt starts any thread: the daemon and the runtime see only loopback.
    const QString isolation = enterPrivateLoopbackNetwork();
    QCoreApplication application(argc, argv);
    if (!isolation.isEmpty()) {
        qWarning("Running without a private network namespace (%s)", qPrintable(isolation));
    }
    CompanionRuntimeDaemonsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_companionruntime_daemons.moc"
