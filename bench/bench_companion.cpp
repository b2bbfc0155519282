// The companion runtime on its own: time from launch to the first /healthz
// answer, resident memory once idle, GET /v1/runtime latency with 10 clients
// configured, and GET /healthz latency on the admin port while 1,000 idle
// connections are held on the local-network port (from 125 loopback addresses).
//
//   bench_companion [--runs N] [--idle SECONDS] [--requests N] [--flood N] [--runtime PATH]
//
// Starts the runtime built beside this benchmark (or PATH) on free loopback ports,
// with a soft descriptor limit of 1,024 as a desktop session gives.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

quint16 freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// One request on a kept-alive connection; the whole answer, or nothing on failure.
std::optional<QByteArray> exchange(QTcpSocket& socket, const QByteArray& request) {
    socket.write(request);
    QByteArray answer;
    qsizetype expected = -1;
    while (expected < 0 || answer.size() < expected) {
        if (!socket.waitForReadyRead(5000)) {
            return std::nullopt;
        }
        answer += socket.readAll();
        const qsizetype headEnd = answer.indexOf("\r\n\r\n");
        const qsizetype lengthAt = answer.toLower().indexOf("content-length:");
        if (expected < 0 && headEnd >= 0 && lengthAt >= 0) {
            expected = headEnd + 4 +
                       answer.mid(lengthAt + 15, answer.indexOf("\r\n", lengthAt) - lengthAt - 15)
                           .trimmed()
                           .toLongLong();
        }
    }
    return answer;
}

QByteArray request(const QByteArray& method, const QByteArray& path, quint16 port,
                   const QByteArray& body = {}) {
    QByteArray text =
        method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
    if (method == "POST") {
        text +=
            "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

double percentile(std::vector<double> values, int percent) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() * size_t(percent) / 100];
}

QString runtimePath;

struct Runtime {
    QTemporaryDir dir;
    QProcess process;
    quint16 port = freePort();
    quint16 lanPort = freePort();

    Runtime() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VENDRILO_CONNECT_LAN_PORT", QString::number(lanPort));
        environment.insert("VENDRILO_CONNECT_LOG_LEVEL", "warn");
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        // Started as a desktop session starts programs: a soft descriptor limit of 1,024.
        process.setChildProcessModifier([] {
            rlimit limit{};
            if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_max > 1024) {
                limit.rlim_cur = 1024;
                ::setrlimit(RLIMIT_NOFILE, &limit);
            }
        });
    }
    ~Runtime() {
        process.terminate();
        if (!process.waitForFinished(2000)) {
            process.kill();
            process.waitForFinished();
        }
    }
    // Milliseconds from launch to the first 200 of /healthz.
    double launch() {
        QElapsedTimer timer;
        timer.start();
        process.start(runtimePath,
                      {"run", "-data-dir", dir.path(), "-platform", "linux", "-host-name", "Bench",
                       "-agent-version", "1.0.0", "-admin-listen", "127.0.0.1:" + QString::number(port)});
        while (timer.elapsed() < 10000) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(50)) {
                const auto answer = exchange(socket, request("GET", "/healthz", port));
                if (answer && answer->startsWith("HTTP/1.1 200")) {
                    return double(timer.nsecsElapsed()) / 1e6;
                }
            }
            QThread::usleep(200);
        }
        return -1;
    }
    // CPU time the process has used so far, in milliseconds: launch time without
    // the waits for a busy machine's cores.
    double cpuMilliseconds() const {
        QFile schedstat(QStringLiteral("/proc/%1/schedstat").arg(process.processId()));
        schedstat.open(QIODevice::ReadOnly);
        return schedstat.readAll().split(' ').first().toDouble() / 1e6;
    }
    qint64 residentKiB() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
        }
        return -1;
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"runs", "Launches to time.", "N", "10"});
    parser.addOption({"idle", "Seconds before resident memory is read.", "SECONDS", "3"});
    parser.addOption({"requests", "GET /v1/runtime (and /healthz) requests to time.", "N", "2000"});
    parser.addOption({"flood", "Idle connections held on the local-network port.", "N", "1000"});
    parser.addOption({"runtime", "The runtime executable.", "PATH",
                      QCoreApplication::applicationDirPath() + "/../companion/vendrilo-connect-companion"});
    parser.process(app);
    runtimePath = parser.value("runtime");

    std::vector<double> launches;
    std::vector<double> cpu;
    for (int i = 0; i < parser.value("runs").toInt(); ++i) {
        Runtime runtime;
        launches.push_back(runtime.launch());
        cpu.push_back(runtime.cpuMilliseconds());
    }
    std::printf("launch to first /healthz answer: median %.1f ms, max %.1f ms; CPU time used by then: median "
                "%.1f ms (%zu runs, fresh data directory each)\n",
                median(launches), *std::max_element(launches.begin(), launches.end()), median(cpu),
                launches.size());

    Runtime runtime;
    if (runtime.launch() < 0) {
        std::fprintf(stderr, "the runtime did not answer\n");
        return 1;
    }
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, runtime.port);
    socket.waitForConnected(2000);
    for (int i = 0; i < 10; ++i) {
        const QByteArray body = QStringLiteral(R"({"id":"","label":"Client %1","type":"transmission",)"
                                               R"("host_kind":"lan","host":"192.168.1.%1","port":9091,)"
                                               R"("username":"u","password":"p","use_tls":false,)"
                                               R"("insecure_skip_verify":false})")
                                    .arg(10 + i)
                                    .toUtf8();
        exchange(socket, request("POST", "/v1/clients/save", runtime.port, body));
    }
    QThread::sleep(uint(parser.value("idle").toInt()));
    std::printf("idle resident memory: %lld KiB\n", runtime.residentKiB());

    std::vector<double> latencies;
    const QByteArray get = request("GET", "/v1/runtime", runtime.port);
    qsizetype size = 0;
    for (int i = 0; i < parser.value("requests").toInt(); ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto answer = exchange(socket, get);
        latencies.push_back(double(timer.nsecsElapsed()) / 1e3);
        size = answer ? answer->size() : 0;
    }
    std::printf(
        "GET /v1/runtime with 10 clients (%lld bytes): median %.0f µs, p90 %.0f µs (%zu requests)\n",
        qlonglong(size), median(latencies),
        [&] {
            std::sort(latencies.begin(), latencies.end());
            return latencies[latencies.size() * 9 / 10];
        }(),
        latencies.size());

    // A flood of idle connections to the local-network port, as from a hostile
    // network: the admin API must keep answering quickly.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    const int floodSize = parser.value("flood").toInt();
    for (int i = 0; i < floodSize; ++i) {
        auto idle = std::make_unique<QTcpSocket>();
        idle->bind(QHostAddress(QStringLiteral("127.0.%1.%2").arg(3 + i / 8 / 250).arg(1 + i / 8 % 250)));
        idle->connectToHost(QHostAddress::LocalHost, runtime.lanPort);
        idle->waitForConnected(2000);
        flood.push_back(std::move(idle));
    }
    QThread::msleep(500);
    QCoreApplication::processEvents();
    const auto stillOpen = std::count_if(flood.begin(), flood.end(), [](const auto& idle) {
        return idle->state() == QAbstractSocket::ConnectedState && idle->bytesAvailable() == 0;
    });
    std::vector<double> healthz;
    int failed = 0;
    QTcpSocket admin;
    admin.connectToHost(QHostAddress::LocalHost, runtime.port);
    admin.waitForConnected(2000);
    const QByteArray getHealthz = request("GET", "/healthz", runtime.port);
    for (int i = 0; i < parser.value("requests").toInt() && failed < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (admin.state() != QAbstractSocket::ConnectedState) {
            admin.connectToHost(QHostAddress::LocalHost, runtime.port);
            admin.waitForConnected(2000);
        }
        const auto answer = exchange(admin, getHealthz);
        failed += answer && answer->startsWith("HTTP/1.1 200") ? 0 : 1;
        healthz.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "GET /healthz while %d idle connections were opened to the local-network port (%lld still "
        "held): median %.2f ms, p99 %.2f ms, max %.2f ms, %d failed (%zu requests; stops after 5 failures)\n",
        floodSize, qlonglong(stillOpen), median(healthz), percentile(healthz, 99),
        *std::max_element(healthz.begin(), healthz.end()), failed, healthz.size());
    return 0;
}
