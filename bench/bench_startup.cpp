// Start-up of the headless app from its bundle: time to the first applied
// refresh with an empty data folder (install + launch) and with a runtime of
// the same version already running (adoption), then the app's resident memory.
//
//   bench_startup [--runs N] [--rss-after SECONDS] [--bundle PATH]
//
// Uses 127.0.0.1:46901: run it while nothing else listens there.

#include "supervision/ProcessTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <signal.h>

namespace {

struct Run {
    std::unique_ptr<QProcess> app;
    double millisecondsToFirstRefresh = 0;
};

// Starts the app and waits for its first status line past "Starting…".
std::optional<Run> startApp(const QString& executable, const QString& home) {
    static const QRegularExpression statusLine(QStringLiteral(R"(^\S+Z (.+) \| error: (.+)$)"));
    Run run;
    run.app = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("VENDRILO_CONNECT_RELEASE_FEED_URL"),
                       QStringLiteral("http://127.0.0.1:9/companion.json"));
    run.app->setProcessEnvironment(environment);
    run.app->setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer elapsed;
    elapsed.start();
    run.app->start(executable, {QStringLiteral("--headless")});
    while (elapsed.elapsed() < 30000 && run.app->state() != QProcess::NotRunning) {
        if (!run.app->canReadLine() && !run.app->waitForReadyRead(50)) {
            continue;
        }
        const QString line = QString::fromUtf8(run.app->readLine()).trimmed();
        const auto match = statusLine.match(line);
        if (!match.hasMatch() || match.captured(1) == QStringLiteral("Starting…")) {
            continue;
        }
        run.millisecondsToFirstRefresh = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
        if (match.captured(2) != QStringLiteral("-")) {
            std::fprintf(stderr, "start-up failed: %s\n", qPrintable(line));
            return std::nullopt;
        }
        return run;
    }
    std::fprintf(stderr, "no status line from %s\n", qPrintable(executable));
    return std::nullopt;
}

QList<qint64> runtimePIDs(const QString& home) {
    const QString installed =
        home + QStringLiteral("/data/Vendrilo Connect/Runtime/vendrilo-connect-companion");
    QList<qint64> pids;
    for (const qint64 pid : ProcessTable::processIds()) {
        if (ProcessTable::isAlive(pid) && ProcessTable::executablePath(pid) == installed) {
            pids.append(pid);
        }
    }
    return pids;
}

qint64 residentKilobytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
        }
    }
    return -1;
}

void stopApp(Run& run) {
    ::kill(static_cast<pid_t>(run.app->processId()), SIGTERM);
    run.app->waitForFinished(10000);
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each start."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption rssOption(QStringLiteral("rss-after"),
                                       QStringLiteral("Seconds before the app's memory is read."),
                                       QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption bundleOption(QStringLiteral("bundle"), QStringLiteral("The app bundle."),
                                          QStringLiteral("PATH"), QStringLiteral(VC_BUNDLE_DIR));
    parser.addOptions({runsOption, rssOption, bundleOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const int rssAfter = std::max(0, parser.value(rssOption).toInt());
    const QString executable =
        parser.value(bundleOption) + QStringLiteral("/Contents/MacOS/vendrilo-connect");

    QList<double> cold;
    QList<double> adopted;
    qint64 rss = -1;
    for (int index = 0; index < runs; ++index) {
        QTemporaryDir home;
        // Empty data folder: the runtime is copied out of the bundle and launched.
        const auto fail = [&home] {
            for (const qint64 pid : runtimePIDs(home.path())) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
            return 1;
        };
        std::optional<Run> first = startApp(executable, home.path());
        if (!first) {
            return fail();
        }
        cold.append(first->millisecondsToFirstRefresh);
        // A killed app leaves its runtime behind, as after a crash; the next start adopts it.
        first->app->kill();
        first->app->waitForFinished();
        std::optional<Run> second = startApp(executable, home.path());
        if (!second) {
            return fail();
        }
        adopted.append(second->millisecondsToFirstRefresh);
        if (index == runs - 1) {
            QThread::sleep(static_cast<unsigned long>(rssAfter));
            rss = residentKilobytes(second->app->processId());
        }
        stopApp(*second);
        if (!runtimePIDs(home.path()).isEmpty()) {
            std::fprintf(stderr, "the app left its runtime running\n");
            return fail();
        }
    }

    std::printf("start to first refresh, empty data folder:     median %.1f ms (min %.1f, %lld runs)\n",
                median(cold), *std::min_element(cold.begin(), cold.end()),
                static_cast<long long>(cold.size()));
    std::printf("start to first refresh, runtime already running: median %.1f ms (min %.1f, %lld runs)\n",
                median(adopted), *std::min_element(adopted.begin(), adopted.end()),
                static_cast<long long>(adopted.size()));
    std::printf("resident memory of the headless app after %d s: %.1f MB\n", rssAfter,
                static_cast<double>(rss) / 1024.0);
    return 0;
}
