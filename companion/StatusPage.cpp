#include "companion/StatusPage.h"

#include "runtime/WireCoding.h"

#include <QStringList>

namespace {

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString row(const QString& name, const QString& value) {
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(escaped(name), escaped(value));
}

QString dateText(const std::optional<QDateTime>& date) {
    return date ? WireCoding::formatDate(*date) : QStringLiteral("—");
}

QString statusText(CompanionHealthStatus status) {
    switch (status) {
    case CompanionHealthStatus::Healthy:
        return QStringLiteral("Healthy");
    case CompanionHealthStatus::Degraded:
        return QStringLiteral("Degraded");
    case CompanionHealthStatus::SetupRequired:
        return QStringLiteral("Setup needed");
    }
    return {};
}

QString pairingSection(const PairingStatePayload& pairing) {
    QString html = QStringLiteral("<h2>Pairing</h2>\n<table>\n") +
                   row(QStringLiteral("Status"), rawValue(pairing.status));
    if (pairing.code) {
        html += row(QStringLiteral("Code"), *pairing.code) +
                row(QStringLiteral("Expires"), dateText(pairing.expiresAt));
    }
    return html + QStringLiteral("</table>\n");
}

QString clientsSection(const QList<ClientConfig>& clients) {
    QString html = QStringLiteral("<h2>Torrent clients</h2>\n");
    if (clients.isEmpty()) {
        return html + QStringLiteral("<p>No torrent clients are configured.</p>\n");
    }
    html += QStringLiteral("<table>\n<tr><th>Name</th><th>Type</th><th>Address</th><th>Check</th>"
                           "<th>Last success</th><th>Last error</th></tr>\n");
    for (const ClientConfig& client : clients) {
        const QString address = client.host + u':' + QString::number(client.port);
        html +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>\n")
                .arg(escaped(client.label), escaped(rawValue(client.type)), escaped(address),
                     escaped(client.authState), escaped(dateText(client.lastOkAt)),
                     escaped(client.lastError.value_or(QStringLiteral("—"))));
    }
    return html + QStringLiteral("</table>\n");
}

QString errorsSection(const QList<DiagnosticEvent>& errors) {
    QString html = QStringLiteral("<h2>Recent errors</h2>\n");
    if (errors.isEmpty()) {
        return html + QStringLiteral("<p>No recent errors.</p>\n");
    }
    html += QStringLiteral("<ul>\n");
    for (const DiagnosticEvent& event : errors) {
        html += QStringLiteral("<li><time>%1</time> %2</li>\n")
                    .arg(escaped(WireCoding::formatDate(event.occurredAt)), escaped(event.message));
    }
    return html + QStringLiteral("</ul>\n");
}

} // namespace

namespace StatusPage {

QByteArray render(const RuntimeSnapshot& runtime, const HealthSummary& health) {
    const QString title = QStringLiteral("Vendrilo Connect — ") + runtime.identity.displayName;
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"refresh\" content=\"10\">\n<title>%1</title>\n<style>\n"
                       "body{font-family:system-ui,sans-serif;margin:2em;color:#222;background:#fafafa}\n"
                       "table{border-collapse:collapse;margin-bottom:1em}\n"
                       "th,td{text-align:left;padding:.3em .8em;border-bottom:1px solid #ddd}\n"
                       "</style>\n</head>\n<body>\n<h1>%1</h1>\n")
            .arg(escaped(title));
    html += QStringLiteral("<h2>Status</h2>\n<table>\n") +
            row(QStringLiteral("Health"), statusText(health.status)) +
            row(QStringLiteral("Connection"), health.connection.mode) +
            row(QStringLiteral("Hosted relay"),
                health.connection.backendLastError.value_or(QStringLiteral("—"))) +
            row(QStringLiteral("Local network port"), QString::number(runtime.localNetwork.listenPort)) +
            row(QStringLiteral("Version"), runtime.identity.agentVersion) +
            row(QStringLiteral("Platform"), runtime.identity.platform) +
            row(QStringLiteral("Started"), dateText(runtime.startedAt)) +
            row(QStringLiteral("Database"), runtime.dbPath) + QStringLiteral("</table>\n");
    html += pairingSection(runtime.identity.pairing);
    html += clientsSection(runtime.clients);
    html += errorsSection(health.recentErrors);
    html += QStringLiteral("<p>Checked %1.</p>\n</body>\n</html>\n")
                .arg(escaped(WireCoding::formatDate(health.checkedAt)));
    return html.toUtf8();
}

} // namespace StatusPage
