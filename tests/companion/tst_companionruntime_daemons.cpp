#include "DaemonProcess.h"
#include "PrivateLoopbackNetwork.h"
#include "RuntimeProcess.h"
#include "runtime/ClientConfig.h"
#include "runtime/HealthSummary.h"
#include "runtime/WireCoding.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPasswordDigestor>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Characters a form body or a JSON string could mangle.
const QString password = QStringLiteral("s3cr3t+&=ü");
constexpr auto startLimit = 30s;

// 32 random hex digits.
QString randomHex() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

// A port on 127.0.0.1 that nothing listened on a moment ago, for a daemon's settings.
QString freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QString::number(server.serverPort());
}

// A real client's configuration and processes, stopped in reverse order whatever happens.
struct RealClient {
    QString dir;
    QString port = freePort(); // of the web interface
    std::vector<std::unique_ptr<DaemonProcess>> processes;
    ~RealClient() { stop(); }
    void stop() {
        while (!processes.empty()) {
            processes.pop_back();
        }
    }
    void configure(const QList<std::pair<QString, QString>>& files) {
        for (const auto& [name, content] : files) {
            QFile file(dir + u'/' + name);
            const QByteArray bytes = content.toUtf8();
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
    }
    void launch(const QString& program, const QStringList& arguments, const QString& listensOn) {
        if (QTest::currentTestFailed()) {
            return;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            environment.insert(name, dir); // nothing of the user's own set-up is read or written
        }
        processes.push_back(
            std::make_unique<DaemonProcess>(program, arguments, dir + '/' + program + ".log", environment));
        QVERIFY2(processes.back()->waitForPort(quint16(listensOn.toUInt()), startLimit),
                 processes.back()->log().constData());
    }
};

// Every client is configured before its first start to stay on loopback and
// quiet: no DHT, peer discovery, PeX, uTP, port forwarding or look-ups.
void startQbittorrent(RealClient& client) {
    const QByteArray salt = QByteArray::fromHex(randomHex().toLatin1());
    const QByteArray hash =
        QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha512, password.toUtf8(), salt, 100000, 64);
    // One failed login bans, so the ban is seen after the single wrong attempt.
    client.configure(
        {{"qBittorrent/config/qBittorrent.conf",
          QStringLiteral(
              "[LegalNotice]\nAccepted=true\n[BitTorrent]\nSession\\AnonymousModeEnabled=true\n"
              "Session\\BTProtocol=TCP\nSession\\DHTEnabled=false\nSession\\LSDEnabled=false\n"
              "Session\\PeXEnabled=false\nSession\\Interface=lo\nSession\\InterfaceName=lo\n"
              "Session\\InterfaceAddress=127.0.0.1\nSession\\Port=%1\n"
              "[Network]\nPortForwardingEnabled=false\n[RSS]\n"
              "AutoDownloader\\EnableProcessing=false\nSession\\EnableProcessing=false\n"
              "[Preferences]\nConnection\\ResolvePeerCountries=false\nConnection\\UPnP=false\n"
              "WebUI\\Address=127.0.0.1\nWebUI\\Port=%2\nWebUI\\UseUPnP=false\n"
              "WebUI\\LocalHostAuth=true\nWebUI\\Username=admin\n"
              "WebUI\\Password_PBKDF2=\"@ByteArray(%3:%4)\"\nWebUI\\MaxAuthenticationFailCount=1\n")
              .arg(freePort(), client.port, QString::fromLatin1(salt.toBase64()),
                   QString::fromLatin1(hash.toBase64()))}});
    client.launch("qbittorrent-nox", {"--profile=" + client.dir}, client.port);
}

void startTransmission(RealClient& client) {
    client.configure(
        {{"settings.json",
          QStringLiteral(
              R"({"bind-address-ipv4": "127.0.0.1", "bind-address-ipv6": "::1", "rpc-bind-address": "127.0.0.1",
                "rpc-port": %1, "peer-port": %2, "peer-port-random-on-start": false, "dht-enabled": false,
                "lpd-enabled": false, "pex-enabled": false, "utp-enabled": false,
                "port-forwarding-enabled": false, "blocklist-enabled": false,
                "rpc-authentication-required": true, "rpc-username": "admin", "rpc-password": "%3",
                "rpc-whitelist-enabled": true, "rpc-whitelist": "127.0.0.1", "download-dir": "%4/downloads",
                "incomplete-dir-enabled": false, "watch-dir-enabled": false})")
              .arg(client.port, freePort(), password, client.dir)}});
    client.launch("transmission-daemon", {"--foreground", "--config-dir", client.dir}, client.port);
}

void startDeluge(RealClient& client) {
    const QString daemonPort = freePort();
    const QString daemonPassword = randomHex();
    const QString hostId = randomHex();
    const QString salt = randomHex();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha1).toHex());
    client.configure({{"core.conf", QStringLiteral(R"({"file": 1, "format": 1}
{"listen_interface": "127.0.0.1", "listen_ports": [%1, %1], "random_port": false, "dht": false,
 "upnp": false, "natpmp": false, "lsd": false, "utpex": false, "new_release_check": false,
 "allow_remote": false, "daemon_port": %2, "download_location": "%3/downloads", "geoip_db_location": ""})")
                                        .arg(freePort(), daemonPort, client.dir)},
                      {"hostlist.conf", QStringLiteral(R"({"file": 3, "format": 1}
{"hosts": [["%1", "127.0.0.1", %2, "admin", "%3"]]})")
                                            .arg(hostId, daemonPort, daemonPassword)},
                      {"web.conf", QStringLiteral(R"({"file": 2, "format": 1}
{"interface": "127.0.0.1", "port": %1, "https": false, "default_daemon": "%2", "pwd_salt": "%3",
 "pwd_sha1": "%4", "first_login": false})")
                                       .arg(client.port, hostId, salt, hash)},
                      {"auth", "admin:" + daemonPassword + ":10\n"}});
    const QStringList common{"--do-not-daemonize", "--config",  client.dir,
                             "--interface",        "127.0.0.1", "--port"};
    client.launch("deluged", common + QStringList{daemonPort, "--ui-interface", "127.0.0.1"}, daemonPort);
    client.launch("deluge-web", common + QStringList{client.port}, client.port);
}

ClientConfig probe(RuntimeProcess& runtime, const char* clientId) {
    const auto answer =
        runtime.post("/v1/clients/probe", QStringLiteral(R"({"client_id":"%1"})").arg(clientId).toUtf8());
    return WireCoding::decodeList<ClientConfig>(answer.body).value(0);
}

} // namespace

// The runtime's checks against the real clients from the distribution, each
// started on loopback with known credentials: what the probe route stores after
// a successful, a refused and an unreachable check.
class CompanionRuntimeDaemonsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realClients_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("programs");
        QTest::newRow("qbittorrent-nox") << "qbittorrent" << QStringList{"qbittorrent-nox"};
        QTest::newRow("transmission-daemon") << "transmission" << QStringList{"transmission-daemon"};
        QTest::newRow("deluged and deluge-web") << "deluge" << QStringList{"deluged", "deluge-web"};
    }
    void realClients() {
        QFETCH(QString, type);
        QFETCH(QStringList, programs);
        for (const QString& program : programs) {
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                QSKIP(qPrintable(program + " is not installed"));
            }
        }
        QTemporaryDir dir;
        RealClient client;
        client.dir = dir.path();
        (type == u"qbittorrent"    ? startQbittorrent
         : type == u"transmission" ? startTransmission
                                   : startDeluge)(client);
        if (QTest::currentTestFailed()) {
            return;
        }
        RuntimeProcess runtime(dir.filePath("runtime"));
        QVERIFY2(runtime.start(), runtime.output().constData());
        QCOMPARE(runtime.save("right", "right", client.port.toInt(), type, password).status, 200);
        QCOMPARE(runtime.save("wrong", "wrong", client.port.toInt(), type, "not-" + password).status, 200);

        ClientConfig right;
        // deluge-web connects to its daemon in the background after it starts listening.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         right = probe(runtime, "right");
                         return type != u"deluge" ||
                                right.capabilities.value("connected") == AnyCodable{true};
                     },
                     int(std::chrono::milliseconds(startLimit).count())),
                 client.processes.back()->log().constData());
        QCOMPARE(right.authState, QStringLiteral("ok"));
        QVERIFY(right.lastOkAt && !right.lastError);
        const QString version = right.capabilities.value("client_version").description();
        QVERIFY2(!version.isEmpty() && version.front().isDigit(), qPrintable(version));

        const ClientConfig wrong = probe(runtime, "wrong");
        QCOMPARE(wrong.authState, QStringLiteral("auth_failed"));
        QVERIFY2(wrong.lastError->contains("rejected"), qPrintable(*wrong.lastError));
        QVERIFY(!wrong.lastOkAt);
        const auto health = WireCoding::decode<HealthSummary>(runtime.get("/v1/health").body);
        QCOMPARE(std::pair(health.clients.healthy, health.clients.degraded), std::pair(qint64(1), qint64(1)));
        if (type == u"qbittorrent") {
            // That one failure used up the allowance: even the right password is now refused.
            QCOMPARE(probe(runtime, "right").authState, QStringLiteral("banned"));
        }

        client.stop();
        const ClientConfig gone = probe(runtime, "right");
        QCOMPARE(gone.authState, QStringLiteral("unreachable"));
        QVERIFY2(gone.lastError->contains("refused the connection"), qPrintable(*gone.lastError));
        QCOMPARE(gone.lastOkAt, right.lastOkAt); // the last success is still known
    }
};

int main(int argc, char** argv) {
    // Before Qt starts any thread: the daemons and the runtime see only loopback.
    const QString isolation = enterPrivateLoopbackNetwork();
    QCoreApplication application(argc, argv);
    if (!isolation.isEmpty()) {
        // The daemons' own settings still keep them on loopback.
        qWarning("Running without a private network namespace (%s)", qPrintable(isolation));
    }
    CompanionRuntimeDaemonsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_companionruntime_daemons.moc"
