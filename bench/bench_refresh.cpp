// Cost of one full model refresh on the application's side: the snapshot,
// health and diagnostics requests, the release-feed read that follows every
// successful refresh, decoding and applying it all. The canned runtime runs in
// a child process on a loopback port, so the CPU time measured here is the
// application's alone. For comparison it also times the three runtime requests
// on their own (HTTP client and decoding, no model). Prints median and 95th
// percentile of CPU and wall time.

#include "CannedRuntimeServer.h"
#include "model/CompanionAppModelSetup.h"
#include "model/CompanionPreferences.h"
#include "runtime/DiagnosticEvent.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/WireCoding.h"
#include "supervision/CompanionProcessController.h"
#include "system/HeadlessPlatformServices.h"
#include "update/ResolvedReleaseStatus.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace {

constexpr int warmUpRounds = 50;
constexpr int measuredRounds = 500;

RuntimeSnapshot tenClientSnapshot() {
    auto snapshot = CannedRuntimeServer::snapshot(PairingStatus::Paired);
    snapshot.identity.companionId = QStringLiteral("cmp_01HQ8Z4K2R");
    snapshot.localNetwork.candidates = {{QStringLiteral("192.168.1.20"), 46901, QStringLiteral("ipv4")}};
    for (int i = 0; i < 10; ++i) {
        ClientConfig client;
        client.id = QStringLiteral("client-%1").arg(i);
        client.label = QStringLiteral("Seedbox %1").arg(i);
        client.type = static_cast<ClientType>(i % 3);
        client.hostKind = i % 2 ? HostKind::Lan : HostKind::Local;
        client.host = i % 2 ? QStringLiteral("192.168.1.%1").arg(30 + i) : QStringLiteral("127.0.0.1");
        client.port = 8080 + i;
        client.username = QStringLiteral("admin");
        client.authState = QStringLiteral("ok");
        client.capabilities = {{QStringLiteral("version"), AnyCodable{QStringLiteral("4.6.3")}},
                               {QStringLiteral("maxTorrents"), AnyCodable{qint64(5000)}}};
        client.lastOkAt = QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC);
        snapshot.clients.append(client);
    }
    return snapshot;
}

// Child mode: serve the canned runtime until the parent goes away.
int serve() {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    CannedRuntimeServer server;
    auto health = CannedRuntimeServer::health();
    health.clients.total = 10;
    QList<DiagnosticEvent> diagnostics;
    for (int i = 0; i < 20; ++i) {
        diagnostics.append(CannedRuntimeServer::diagnostic(QStringLiteral("client_probe_%1").arg(i)));
    }
    server.serveHealthyRuntime(tenClientSnapshot(), health);
    server.setAnswer(QStringLiteral("/v1/diagnostics"), {200, WireCoding::encodeList(diagnostics), {}});
    server.setAnswer(
        QStringLiteral("/connect/releases/companion.json"),
        {200,
         R"({"schema_version":1,"stable":{"version":"1.0.0","platforms":{"linux":{"version":"1.0.0",)"
         R"("download_url":"http://127.0.0.1/VendriloConnect-1.0.0.dmg"}}}})",
         {}});
    std::printf("%s\n", qPrintable(server.baseURL().toString()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

std::chrono::nanoseconds processCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

QCoro::Task<bool> refreshed(CompanionAppModel& model) {
    try {
        co_await model.refresh(false);
        co_return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "refresh failed: %s\n", error.what());
        co_return false;
    }
}

QCoro::Task<bool> requested(const CompanionAPI& api) {
    try {
        auto snapshot = api.runtime();
        auto health = api.health();
        auto diagnostics = api.diagnostics(CompanionAppModel::diagnosticsLimit);
        co_await snapshot;
        co_await health;
        co_await diagnostics;
        co_return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "request failed: %s\n", error.what());
        co_return false;
    }
}

struct Timings {
    std::vector<double> cpuMicroseconds;
    std::vector<double> wallMicroseconds;
};

// Runs the round after a warm-up and collects its CPU and wall time; nothing when a round failed.
template <typename Round> std::optional<Timings> measure(Round round) {
    Timings timings;
    for (int index = 0; index < warmUpRounds + measuredRounds; ++index) {
        const auto cpuBefore = processCpuTime();
        const auto wallBefore = std::chrono::steady_clock::now();
        if (!QCoro::waitFor(round())) {
            return std::nullopt;
        }
        const auto cpu = processCpuTime() - cpuBefore;
        const auto wall = std::chrono::steady_clock::now() - wallBefore;
        if (index >= warmUpRounds) {
            timings.cpuMicroseconds.push_back(std::chrono::duration<double, std::micro>(cpu).count());
            timings.wallMicroseconds.push_back(std::chrono::duration<double, std::micro>(wall).count());
        }
    }
    return timings;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void report(const char* what, const Timings& timings) {
    std::printf("%s\n  app CPU: median %.0f us, p95 %.0f us\n  wall:    median %.0f us, p95 %.0f us\n", what,
                percentile(timings.cpuMicroseconds, 0.5), percentile(timings.cpuMicroseconds, 0.95),
                percentile(timings.wallMicroseconds, 0.5), percentile(timings.wallMicroseconds, 0.95));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--serve"))) {
        return serve();
    }

    QProcess runtime;
    runtime.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve")});
    if (!runtime.waitForStarted() || !runtime.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the canned runtime did not start\n");
        return 1;
    }
    const QUrl baseURL(QString::fromUtf8(runtime.readLine().trimmed()));

    QTemporaryDir folder;
    auto preferences = CompanionPreferences::inFile(folder.filePath(QStringLiteral("preferences.ini")));
    HeadlessPlatformServices platform;
    CompanionProcessController::Settings controllerSettings;
    controllerSettings.baseURL = baseURL;
    CompanionProcessController processController(controllerSettings);
    CompanionAppModel model(CompanionAppModel::Collaborators{
        .processController = processController,
        .platform = platform,
        .preferences = preferences,
        .computerName = QStringLiteral("Bench"),
        .applicationVersion = QStringLiteral("1.0.0"),
        .runtimeBaseURL = baseURL,
        .manifestURL = baseURL.resolved(QUrl(QStringLiteral("/connect/releases/companion.json"))),
    });

    const auto full = measure([&model] { return refreshed(model); });
    const CompanionAPI api(baseURL);
    const auto requestsOnly = measure([&api] { return requested(api); });
    runtime.kill();
    runtime.waitForFinished();
    if (!full || !requestsOnly) {
        return 1;
    }
    if (model.runtime()->clients.size() != 10 || model.diagnostics().size() != 20 ||
        model.releaseStatus().latestVersion != u"1.0.0") {
        std::fprintf(stderr, "the refresh did not apply the canned answers\n");
        return 1;
    }
    std::printf("%d rounds each, 10 clients, 20 diagnostics (target: < 1000 us CPU per refresh)\n",
                measuredRounds);
    report("full model refresh (3 runtime requests, release feed read, decode, apply)", *full);
    report("the 3 runtime requests alone (HTTP client and decoding)", *requestsOnly);
    return 0;
}
