// The desktop app in the tray: time from launch to the tray icon shown, then
// its resident memory and CPU per idle minute with only the tray left (the
// dashboard opened once, then closed to the tray) while the runtime answers
// every 10 s. Runs the bundle under its own Xvfb and a private session bus,
// with a StatusNotifierItem host of its own.
//
//   bench_tray [--runs N] [--idle-seconds S] [--bundle PATH]
//
// Uses 127.0.0.1:46901: run it while nothing else listens there.

#include "PrivateDesktop.h"
#include "StatusNotifierWatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

void wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > milliseconds) {
            return false;
        }
        wait(50);
    }
    return true;
}

// CPU time of all the process's threads, in milliseconds, from the
// scheduler's nanosecond counters (clock ticks are too coarse for an idle app).
double cpuMilliseconds(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double nanoseconds = 0;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly)) {
            nanoseconds += schedstat.readAll().split(' ').first().toDouble();
        }
    }
    return nanoseconds / 1e6;
}

double rssMebibytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

struct Figures {
    double launchToTrayMs = 0;
    double rssMiB = 0;
    double cpuMsPerMinute = 0;
};

std::optional<Figures> measure(const QString& executable, const QProcessEnvironment& display,
                               int idleSeconds) {
    QTemporaryDir home;
    QProcessEnvironment environment = display;
    if (!PrivateDesktop::isolate(environment, home)) {
        std::fprintf(stderr, "cannot make the app's folders\n");
        return std::nullopt;
    }

    StatusNotifierWatcher watcher;
    if (!watcher.registerOnSessionBus()) {
        std::fprintf(stderr, "cannot register the StatusNotifierWatcher\n");
        return std::nullopt;
    }
    QSignalSpy registered(&watcher, &StatusNotifierWatcher::StatusNotifierItemRegistered);
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer elapsed;
    elapsed.start();
    app.start(executable, {QStringLiteral("--background")});
    const auto stop = [&] {
        app.terminate();
        if (!app.waitForFinished(15000)) {
            app.kill();
            app.waitForFinished();
        }
        watcher.unregister();
    };
    if (!waitFor([&] { return !registered.isEmpty(); }, 30000)) {
        std::fprintf(stderr, "the tray icon never registered\n");
        stop();
        return std::nullopt;
    }
    Figures figures;
    figures.launchToTrayMs = double(elapsed.nsecsElapsed()) / 1e6;
    const QString service = registered.first().first().toString().section(u'/', 0, 0);
    const qint64 pid = app.processId();

    // The dashboard once, through the icon, then back to the tray only.
    QDBusMessage activate = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                           QStringLiteral("org.kde.StatusNotifierItem"),
                                                           QStringLiteral("Activate"));
    activate << 0 << 0;
    QDBusConnection::sessionBus().call(activate);
    const auto visibleWindows = [&] {
        return PrivateDesktop::output(QStringLiteral("xdotool"),
                                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--pid"), QString::number(pid)},
                                      environment)
            .split(u'\n', Qt::SkipEmptyParts);
    };
    QStringList windows;
    if (!waitFor([&] { return !(windows = visibleWindows()).isEmpty(); }, 20000)) {
        std::fprintf(stderr, "the dashboard never opened\n");
        stop();
        return std::nullopt;
    }
    wait(2000);
    PrivateDesktop::output(
        QStringLiteral("xdotool"),
        {QStringLiteral("key"), QStringLiteral("--window"), windows.first(), QStringLiteral("ctrl+q")},
        environment);
    if (!waitFor([&] { return visibleWindows().isEmpty(); }, 10000)) {
        std::fprintf(stderr, "the windows did not close to the tray\n");
        stop();
        return std::nullopt;
    }

    // Settle past start-up, then one idle stretch.
    wait(15000);
    const double cpuBefore = cpuMilliseconds(pid);
    wait(idleSeconds * 1000);
    const double cpuAfter = cpuMilliseconds(pid);
    figures.rssMiB = rssMebibytes(pid);
    figures.cpuMsPerMinute = (cpuAfter - cpuBefore) * 60.0 / idleSeconds;
    stop();
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    PrivateDesktop::reexecOnPrivateSessionBus(argc, argv);
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Launches to measure."),
                                        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption idleOption(QStringLiteral("idle-seconds"),
                                        QStringLiteral("Length of the idle stretch."), QStringLiteral("S"),
                                        QStringLiteral("60"));
    const QCommandLineOption bundleOption(QStringLiteral("bundle"), QStringLiteral("The app bundle."),
                                          QStringLiteral("PATH"), QStringLiteral(VC_BUNDLE_DIR));
    parser.addOptions({runsOption, idleOption, bundleOption});
    parser.process(application);
    const QString executable =
        parser.value(bundleOption) + QStringLiteral("/Contents/MacOS/vendrilo-connect");

    QProcess xvfb;
    const auto display = PrivateDesktop::startDisplay(xvfb);
    if (!display) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }

    std::printf("run  launch_to_tray_ms  rss_mib  cpu_ms_per_idle_minute\n");
    int failures = 0;
    for (int run = 1; run <= parser.value(runsOption).toInt(); ++run) {
        const auto figures = measure(executable, *display, parser.value(idleOption).toInt());
        if (!figures) {
            ++failures;
            continue;
        }
        std::printf("%3d  %17.1f  %7.1f  %22.2f\n", run, figures->launchToTrayMs, figures->rssMiB,
                    figures->cpuMsPerMinute);
        std::fflush(stdout);
    }
    xvfb.terminate();
    xvfb.waitForFinished();
    return failures == 0 ? 0 : 1;
}
