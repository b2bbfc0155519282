// The dashboard window's own cost: opening it the first time and again after
// it was closed (construction, layout and the first paint, offscreen), and the
// GUI-thread time it adds to one model refresh that changed nothing, with 10
// and with 300 clients. The runtime is a canned one on a loopback port in this
// process; a refresh's cost to the window is its thread CPU time with the
// window open minus the same without a window. Prints medians and 95th
// percentiles; the first round of the 10-client run is the process's first
// window (fonts, styles and icons loaded cold).

#include "DashboardFixture.h"
#include "ui/dashboard/CompanionOperationalDashboardView.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int refreshRounds = 200;
constexpr int showRounds = 30;

double threadCpuMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double wallMicroseconds() {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }
};

// Milliseconds from show() to the first paint done.
double showUntilPainted(QWidget& view) {
    PaintWatch watch(&view);
    const double start = wallMicroseconds();
    view.show();
    while (!watch.painted) {
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    return (wallMicroseconds() - start) / 1000;
}

RuntimeSnapshot snapshotWith(int clientCount) {
    QList<ClientConfig> clients;
    for (int i = 0; i < clientCount; ++i) {
        ClientConfig client = DashboardFixture::client(
            QStringLiteral("client-%1").arg(i), QStringLiteral("Seedbox %1").arg(i, 3, 10, QLatin1Char('0')),
            i % 7 ? QStringLiteral("ok") : QStringLiteral("needs_login"));
        client.type = static_cast<ClientType>(i % 3);
        clients.append(client);
    }
    return DashboardFixture::pairedSnapshot(clients);
}

// Thread CPU time of each refresh, in microseconds.
std::vector<double> refreshCosts(ModelHarness& harness) {
    std::vector<double> costs;
    for (int round = 0; round < refreshRounds + 20; ++round) {
        const double start = threadCpuMicroseconds();
        harness.refresh();
        QCoreApplication::processEvents(); // the window's deferred update
        if (round >= 20) {
            costs.push_back(threadCpuMicroseconds() - start);
        }
    }
    return costs;
}

void reportRefresh(int clientCount) {
    DashboardFixture fixture;
    fixture.serveAndRefresh(snapshotWith(clientCount));
    fixture.view.setAnimationsEnabled(false);
    fixture.show();
    const std::vector<double> withWindow = refreshCosts(fixture.harness);
    fixture.view.hide();
    // The same model and runtime, the window gone: what the model costs alone.
    ModelHarness alone({.setupCompleted = true, .guidedExperienceCompleted = true});
    alone.serve(snapshotWith(clientCount));
    alone.refresh();
    const std::vector<double> withoutWindow = refreshCosts(alone);
    std::printf("refresh, nothing changed, %d clients (GUI-thread CPU)\n"
                "  with the window:    median %.0f us, p95 %.0f us\n"
                "  without a window:   median %.0f us, p95 %.0f us\n"
                "  the window's share: median %.0f us\n",
                clientCount, percentile(withWindow, 0.5), percentile(withWindow, 0.95),
                percentile(withoutWindow, 0.5), percentile(withoutWindow, 0.95),
                percentile(withWindow, 0.5) - percentile(withoutWindow, 0.5));
}

void reportShow(int clientCount) {
    DashboardFixture fixture;
    fixture.serveAndRefresh(snapshotWith(clientCount));
    fixture.harness.model->startIfNeeded(); // already started: showing only draws
    std::vector<double> firstShows;
    std::vector<double> reShows;
    for (int round = 0; round < showRounds; ++round) {
        const double start = wallMicroseconds();
        auto view = std::make_unique<DashboardWindowView>(*fixture.harness.model);
        view->setAnimationsEnabled(false);
        view->resize(960, 820);
        const double built = (wallMicroseconds() - start) / 1000;
        firstShows.push_back(built + showUntilPainted(*view));
        view->hide();
        QCoreApplication::processEvents();
        reShows.push_back(showUntilPainted(*view));
    }
    std::printf("opening the window, %d clients (wall)\n"
                "  first round:   %.1f ms\n"
                "  a new window:  median %.1f ms, p95 %.1f ms\n"
                "  shown again:   median %.1f ms, p95 %.1f ms\n",
                clientCount, firstShows.front(), percentile(firstShows, 0.5), percentile(firstShows, 0.95),
                percentile(reShows, 0.5), percentile(reShows, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    DashboardFixture::prepareApplication();
    for (const int clients : {10, 300}) {
        reportShow(clients);
    }
    for (const int clients : {10, 300}) {
        reportRefresh(clients);
    }
    return 0;
}
