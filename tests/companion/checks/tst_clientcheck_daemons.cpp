#include "DaemonProcess.h"
#include "PrivateLoopbackNetwork.h"
#include "checks/ClientCheck.h"

#include <QCoro/QCoroTask>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(ClientType)

namespace {

// Characters a form body or a JSON string could mangle.
const QString password = QStringLiteral("s3cr3t+&=ü");
constexpr auto startLimit = 30s;

bool writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray randomHex(int bytes) {
    QByteArray data(bytes, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(data.data()), bytes / 4);
    return data.toHex();
}

// A real client on loopback with everything that talks beyond this machine turned off.
struct RunningClient {
    ClientConfig config;
    std::vector<std::unique_ptr<DaemonProcess>> processes; // stopped in reverse order
    ~RunningClient() { stop(); }
    void stop() {
        while (!processes.empty()) {
            processes.pop_back();
        }
    }
};

QProcessEnvironment environmentIn(const QString& dir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/xdg-config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/xdg-data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/xdg-cache"));
    return environment;
}

ClientConfig loopbackClient(ClientType type, quint16 port) {
    ClientConfig client;
    client.label = QStringLiteral("Real");
    client.type = type;
    client.host = QStringLiteral("127.0.0.1");
    client.port = port;
    client.username = QStringLiteral("admin");
    client.password = password;
    return client;
}

void startQbittorrent(RunningClient& client, const QString& dir) {
    const quint16 webPort = freeLoopbackPort();
    const QByteArray salt = QByteArray::fromHex(randomHex(16));
    const QByteArray hash =
        QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha512, password.toUtf8(), salt, 100000, 64);
    // Written before the first start: qBittorrent's defaults listen everywhere and announce itself.
    const QByteArray conf =
        "[LegalNotice]\nAccepted=true\n\n"
        "[BitTorrent]\nSession\\AnonymousModeEnabled=true\nSession\\BTProtocol=TCP\n"
        "Session\\DHTEnabled=false\nSession\\LSDEnabled=false\nSession\\PeXEnabled=false\n"
        "Session\\Interface=lo\nSession\\InterfaceName=lo\nSession\\InterfaceAddress=127.0.0.1\n"
        "Session\\Port=" +
        QByteArray::number(freeLoopbackPort()) +
        "\n\n[Network]\nPortForwardingEnabled=false\n\n"
        "[RSS]\nAutoDownloader\\EnableProcessing=false\nSession\\EnableProcessing=false\n\n"
        "[Preferences]\nConnection\\ResolvePeerCountries=false\nConnection\\UPnP=false\n"
        "WebUI\\Address=127.0.0.1\nWebUI\\Port=" +
        QByteArray::number(webPort) +
        "\nWebUI\\UseUPnP=false\nWebUI\\LocalHostAuth=true\nWebUI\\Username=admin\n"
        "WebUI\\Password_PBKDF2=\"@ByteArray(" +
        salt.toBase64() + ':' + hash.toBase64() +
        ")\"\n"
        // One failed login bans, so the ban is seen after the single wrong attempt.
        "WebUI\\MaxAuthenticationFailCount=1\n";
    QVERIFY(writeFile(dir + QStringLiteral("/qBittorrent/config/qBittorrent.conf"), conf));
    client.config = loopbackClient(ClientType::Qbittorrent, webPort);
    client.processes.push_back(std::make_unique<DaemonProcess>(
        QStringLiteral("qbittorrent-nox"), QStringList{QStringLiteral("--profile=") + dir},
        dir + QStringLiteral("/qbittorrent.log"), environmentIn(dir)));
    QVERIFY2(client.processes.back()->waitForPort(webPort, startLimit), client.processes.back()->log());
}

void startTransmission(RunningClient& client, const QString& dir) {
    const int rpcPort = freeLoopbackPort();
    const QJsonObject settings{
        {"bind-address-ipv4", "127.0.0.1"},
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
        {"rpc-password", password},
        {"rpc-whitelist-enabled", true},
        {"rpc-whitelist", "127.0.0.1"},
        {"download-dir", QString(dir + QStringLiteral("/downloads"))},
        {"incomplete-dir-enabled", false},
        {"watch-dir-enabled", false},
    };
    QVERIFY(writeFile(dir + QStringLiteral("/settings.json"), QJsonDocument(settings).toJson()));
    client.config = loopbackClient(ClientType::Transmission, rpcPort);
    client.processes.push_back(std::make_unique<DaemonProcess>(
        QStringLiteral("transmission-daemon"), QStringList{"--foreground", "--config-dir", dir},
        dir + QStringLiteral("/transmission.log"), environmentIn(dir)));
    QVERIFY2(client.processes.back()->waitForPort(rpcPort, startLimit), client.processes.back()->log());
}

void startDeluge(RunningClient& client, const QString& dir) {
    const int daemonPort = freeLoopbackPort();
    const int webPort = freeLoopbackPort();
    const int peerPort = freeLoopbackPort();
    const QByteArray daemonPassword = randomHex(8);
    const QJsonObject core{
        {"listen_interface", "127.0.0.1"},
        {"listen_ports", QJsonArray{peerPort, peerPort}},
        {"random_port", false},
        {"dht", false},
        {"upnp", false},
        {"natpmp", false},
        {"lsd", false},
        {"utpex", false},
        {"new_release_check", false},
        {"allow_remote", false},
        {"daemon_port", daemonPort},
        {"download_location", QString(dir + QStringLiteral("/downloads"))},
        {"geoip_db_location", ""},
    };
    const QByteArray hostId = randomHex(16);
    const QJsonObject hostList{
        {"hosts", QJsonArray{QJsonArray{QString::fromLatin1(hostId), "127.0.0.1", daemonPort, "admin",
                                        QString::fromLatin1(daemonPassword)}}}};
    const QByteArray salt = randomHex(20);
    const QJsonObject web{
        {"interface", "127.0.0.1"},
        {"port", webPort},
        {"https", false},
        {"default_daemon", QString::fromLatin1(hostId)},
        {"pwd_salt", QString::fromLatin1(salt)},
        {"pwd_sha1", QString::fromLatin1(QCryptographicHash::hash(QByteArray(salt + password.toUtf8()),
                                                                  QCryptographicHash::Sha1)
                                             .toHex())},
        {"first_login", false},
    };
    const auto config = [](int version, const QJsonObject& values) -> QByteArray {
        return "{\"file\": " + QByteArray::number(version) + ", \"format\": 1}" +
               QJsonDocument(values).toJson();
    };
    QVERIFY(writeFile(dir + QStringLiteral("/core.conf"), config(1, core)));
    QVERIFY(writeFile(dir + QStringLiteral("/hostlist.conf"), config(3, hostList)));
    QVERIFY(writeFile(dir + QStringLiteral("/web.conf"), config(2, web)));
    QVERIFY(writeFile(dir + QStringLiteral("/auth"), "admin:" + daemonPassword + ":10\n"));

    client.config = loopbackClient(ClientType::Deluge, webPort);
    client.processes.push_back(std::make_unique<DaemonProcess>(
        QStringLiteral("deluged"),
        QStringList{"--do-not-daemonize", "--config", dir, "--ui-interface", "127.0.0.1", "--interface",
                    "127.0.0.1", "--port", QString::number(daemonPort)},
        dir + QStringLiteral("/deluged.log"), environmentIn(dir)));
    QVERIFY2(client.processes.back()->waitForPort(daemonPort, startLimit), client.processes.back()->log());
    client.processes.push_back(
        std::make_unique<DaemonProcess>(QStringLiteral("deluge-web"),
                                        QStringList{"--do-not-daemonize", "--config", dir, "--interface",
                                                    "127.0.0.1", "--port", QString::number(webPort)},
                                        dir + QStringLiteral("/deluge-web.log"), environmentIn(dir)));
    QVERIFY2(client.processes.back()->waitForPort(webPort, startLimit), client.processes.back()->log());
}

} // namespace

// The checks against the real clients from the distribution, each started on
// loopback with known credentials and stopped again whatever happens.
class ClientCheckDaemonsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realClients_data();
    void realClients();

private:
    ClientCheckOutcome check(const ClientConfig& client) {
        return QCoro::waitFor(checkClient(m_network, client));
    }

    QNetworkAccessManager m_network;
};

void ClientCheckDaemonsTest::realClients_data() {
    QTest::addColumn<ClientType>("type");
    QTest::addColumn<QStringList>("programs");
    QTest::newRow("qbittorrent-nox") << ClientType::Qbittorrent << QStringList{"qbittorrent-nox"};
    QTest::newRow("transmission-daemon") << ClientType::Transmission << QStringList{"transmission-daemon"};
    QTest::newRow("deluged and deluge-web") << ClientType::Deluge << QStringList{"deluged", "deluge-web"};
}

void ClientCheckDaemonsTest::realClients() {
    QFETCH(ClientType, type);
    QFETCH(QStringList, programs);
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            QSKIP(qPrintable(program + QStringLiteral(" is not installed")));
        }
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    RunningClient client;
    switch (type) {
    case ClientType::Qbittorrent:
        startQbittorrent(client, dir.path());
        break;
    case ClientType::Transmission:
        startTransmission(client, dir.path());
        break;
    case ClientType::Deluge:
        startDeluge(client, dir.path());
        break;
    }
    if (QTest::currentTestFailed()) {
        return;
    }

    ClientCheckOutcome outcome = check(client.config);
    if (type == ClientType::Deluge) {
        // deluge-web connects to its daemon in the background after it starts listening.
        const bool connected = QTest::qWaitFor(
            [&] {
                outcome = check(client.config);
                return outcome.capabilities.value(QStringLiteral("connected")) == AnyCodable{true};
            },
            int(std::chrono::milliseconds(startLimit).count()));
        QVERIFY2(connected, client.processes.back()->log());
    }
    QCOMPARE(outcome.authState, QStringLiteral("ok"));
    QCOMPARE(outcome.lastError, std::nullopt);
    const QString version = outcome.capabilities.value(QStringLiteral("client_version")).description();
    QVERIFY2(!version.isEmpty() && version.front().isDigit(), qPrintable(version));
    QStringList reported;
    for (auto it = outcome.capabilities.cbegin(); it != outcome.capabilities.cend(); ++it) {
        reported.append(it.key() + u'=' + it->description());
    }
    qInfo("%s reports %s", qPrintable(programs.join(u'+')), qPrintable(reported.join(u' ')));

    ClientConfig wrong = client.config;
    wrong.password = QStringLiteral("not-") + password;
    outcome = check(wrong);
    QCOMPARE(outcome.authState, QStringLiteral("auth_failed"));
    QVERIFY2(outcome.lastError->contains(QStringLiteral("rejected")), qPrintable(*outcome.lastError));

    if (type == ClientType::Qbittorrent) {
        // That one failure used up the allowance: even the right password is now refused.
        outcome = check(client.config);
        QCOMPARE(outcome.authState, QStringLiteral("banned"));
    }

    client.stop();
    outcome = check(client.config);
    QCOMPARE(outcome.authState, QStringLiteral("unreachable"));
    QVERIFY2(outcome.lastError->contains(QStringLiteral("refused the connection")),
             qPrintable(*outcome.lastError));
}

int main(int argc, char** argv) {
    // Before Qt starts any thread.
    const QString isolation = enterPrivateLoopbackNetwork();
    QCoreApplication application(argc, argv);
    if (!isolation.isEmpty()) {
        // The daemons' own settings still keep them on loopback.
        qWarning("Running without a private network namespace (%s)", qPrintable(isolation));
    }
    ClientCheckDaemonsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_clientcheck_daemons.moc"
