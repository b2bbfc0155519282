// Decoding cost of the runtime's answers: a typical 10-client snapshot and a
// large one (1,000 clients) together with the 20 newest diagnostics, as one
// refresh reads them. Prints median and 95th percentile per decode.

#include "runtime/DiagnosticEvent.h"
#include "runtime/RuntimeSnapshot.h"
#include "runtime/WireCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

QJsonObject client(int index) {
    const char* types[] = {"qbittorrent", "transmission", "deluge"};
    QJsonObject object{
        {"id", QStringLiteral("client-%1").arg(index)},
        {"label", QStringLiteral("Seedbox %1").arg(index)},
        {"type", types[index % 3]},
        {"host_kind", index % 4 == 0 ? "local" : "lan"},
        {"host",
         index % 4 == 0 ? QStringLiteral("127.0.0.1") : QStringLiteral("192.168.1.%1").arg(index % 250 + 2)},
        {"port", 8080 + index % 100},
        {"username", "admin"},
        {"password", "correct horse battery staple"},
        {"use_tls", index % 2 == 0},
        {"insecure_skip_verify", false},
        {"auth_state", index % 7 == 0 ? "error" : "ok"},
        {"capabilities",
         QJsonObject{
             {"version", "4.6.3"}, {"apiVersion", 2.9}, {"maxTorrents", 5000}, {"sequentialDownload", true}}},
        {"last_ok_at", "2025-03-04T05:06:07.089Z"},
    };
    if (index % 7 == 0) {
        object.insert("last_error", "401 Unauthorized: the web interface rejected the credentials");
    }
    return object;
}

QByteArray snapshot(int clientCount) {
    QJsonArray clients;
    for (int i = 0; i < clientCount; ++i) {
        clients.append(client(i));
    }
    const QJsonObject pairing{{"status", "paired"},
                              {"pairing_id", "pr_9d1"},
                              {"access_token_expires_at", "2025-03-05T05:06:07Z"},
                              {"refresh_token_expires_at", "2025-04-04T05:06:07.500Z"}};
    const QJsonObject root{
        {"state", "running"},
        {"db_path", "/home/ana/.local/share/Vendrilo Connect/companion.db"},
        {"schema_version", 7},
        {"default_config_created", false},
        {"started_at", "2025-03-04T05:06:07.089Z"},
        {"admin_address", "127.0.0.1:46901"},
        {"identity", QJsonObject{{"companion_id", "cmp_01HQ8Z4K2R"},
                                 {"display_name", "Ana’s Laptop"},
                                 {"platform", "linux"},
                                 {"agent_version", "1.4.2"},
                                 {"pairing", pairing}}},
        {"backend", QJsonObject{{"api_base_url", "https://api.vendrilo.app"},
                                {"presence_url", "wss://presence.vendrilo.app/v1"},
                                {"jwks_url", "https://api.vendrilo.app/.well-known/jwks.json"},
                                {"jwt_issuer", "vendrilo"},
                                {"jwt_audience", "companion"},
                                {"stun_servers", QJsonArray{"stun:stun.vendrilo.app:3478"}},
                                {"relay_payload_cap_bytes", 1048576},
                                {"relay_stats_rate_cap_bps", 262144}}},
        {"admin", QJsonObject{{"enabled", true}, {"listen_address", "127.0.0.1:46901"}}},
        {"diagnostics",
         QJsonObject{{"log_level", "info"}, {"log_format", "json"}, {"keep_diag_events", 500}}},
        {"clients", clients},
        {"registered_adapters", QJsonArray{"qbittorrent", "transmission", "deluge"}},
        {"local_network",
         QJsonObject{{"listen_port", 46902},
                     {"candidates",
                      QJsonArray{QJsonObject{{"host", "192.168.1.20"}, {"port", 46902}, {"family", "ipv4"}}}},
                     {"interfaces", QJsonArray{QJsonObject{{"name", "wlp2s0"},
                                                           {"host", "192.168.1.20"},
                                                           {"cidr", "192.168.1.0/24"},
                                                           {"family", "ipv4"}}}},
                     {"last_refreshed_at", "2025-03-04T05:06:05.120Z"}}},
        {"backend_status", QJsonObject{{"pairing_status", "paired"},
                                       {"presence_state", "connected"},
                                       {"heartbeat_interval_s", 25},
                                       {"last_connect_at", "2025-03-04T05:06:08Z"},
                                       {"reconnect_attempts", 0}}},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray diagnostics(int count) {
    QJsonArray events;
    for (int i = 0; i < count; ++i) {
        events.append(QJsonObject{{"id", 1000 + i},
                                  {"level", i % 5 == 0 ? "error" : "info"},
                                  {"code", "client.probe"},
                                  {"message", "Probed the configured torrent client"},
                                  {"occurred_at", "2025-03-04T05:06:07.089Z"},
                                  {"details", QJsonObject{{"clientId", "client-1"}, {"durationMs", 12}}}});
    }
    return QJsonDocument(events).toJson(QJsonDocument::Compact);
}

// Wall time, and the thread's CPU time, which other load on the machine does not inflate.
struct Sample {
    double wallMicros;
    double cpuMicros;
};

double threadCpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

void measure(const char* name, qsizetype bytes, int iterations, const std::function<void()>& decodeOnce) {
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < iterations / 10 + 1; ++i) {
        decodeOnce(); // warm caches and allocators
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        const double cpuStart = threadCpuMicros();
        decodeOnce();
        cpu.push_back(threadCpuMicros() - cpuStart);
        wall.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const auto percentile = [](std::vector<double>& values, std::size_t percent) {
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1, values.size() * percent / 100)];
    };
    std::printf("%s: %lld bytes, %d runs\n", name, static_cast<long long>(bytes), iterations);
    std::printf("    wall  median %9.1f us   p95 %9.1f us\n", percentile(wall, 50), percentile(wall, 95));
    std::printf("    cpu   median %9.1f us   p95 %9.1f us\n", percentile(cpu, 50), percentile(cpu, 95));
}

} // namespace

int main() {
    const QByteArray small = snapshot(10);
    const QByteArray large = snapshot(1000);
    const QByteArray events = diagnostics(20);

    // Every decode is checked, so a failure cannot pass as a fast result.
    bool ok = true;
    measure("RuntimeSnapshot, 10 clients", small.size(), 2000,
            [&] { ok &= WireCoding::decode<RuntimeSnapshot>(small).clients.size() == 10; });
    measure("RuntimeSnapshot, 1,000 clients + 20 diagnostics", large.size() + events.size(), 200, [&] {
        ok &= WireCoding::decode<RuntimeSnapshot>(large).clients.size() == 1000;
        ok &= WireCoding::decodeList<DiagnosticEvent>(events).size() == 20;
    });
    if (!ok) {
        std::fprintf(stderr, "a decode gave an unexpected result\n");
        return 1;
    }
    return 0;
}
