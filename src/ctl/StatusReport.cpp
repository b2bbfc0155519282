#include "ctl/StatusReport.h"

#include "model/CompanionAppModel.h"
#include "model/StatusPresentation.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

#include <QDateTime>

namespace StatusReport {

namespace {

constexpr int schemaVersion = 1;

QJsonValue optionalText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonValue optionalDate(const std::optional<QDateTime>& date) {
    return date ? QJsonValue(date->toUTC().toString(Qt::ISODateWithMs)) : QJsonValue(QJsonValue::Null);
}

QJsonObject clientJson(const ClientConfig& client) {
    return {
        {QStringLiteral("id"), client.id},
        {QStringLiteral("label"), client.label},
        {QStringLiteral("type"), rawValue(client.type)},
        {QStringLiteral("host_kind"), rawValue(client.hostKind)},
        {QStringLiteral("host"), client.host},
        {QStringLiteral("port"), client.port},
        {QStringLiteral("auth_state"), client.authState},
        {QStringLiteral("last_ok_at"), optionalDate(client.lastOkAt)},
        {QStringLiteral("last_error"), optionalText(client.lastError)},
    };
}

QJsonObject pairingJson(const CompanionAppModel& model) {
    QJsonObject pairing{{QStringLiteral("label"), model.statusPresentation().pairingStatusLabel()},
                        {QStringLiteral("status"), QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("code"), QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("expires_at"), QJsonValue(QJsonValue::Null)}};
    if (const auto& runtime = model.runtime()) {
        const PairingStatePayload& state = runtime->identity.pairing;
        pairing[QStringLiteral("status")] = rawValue(state.status);
        pairing[QStringLiteral("code")] = optionalText(state.code);
        pairing[QStringLiteral("expires_at")] = optionalDate(state.expiresAt);
    }
    return pairing;
}

QString expiryText(const PairingStatePayload& pairing) {
    if (!pairing.expiresAt) {
        return {};
    }
    return QStringLiteral(", expires %1").arg(pairing.expiresAt->toLocalTime().toString(Qt::ISODate));
}

} // namespace

QJsonObject json(const CompanionAppModel& model) {
    const auto& runtime = model.runtime();
    const auto& health = model.health();
    QJsonObject companion{{QStringLiteral("name"), QJsonValue(QJsonValue::Null)},
                          {QStringLiteral("version"), QJsonValue(QJsonValue::Null)},
                          {QStringLiteral("companion_id"), QJsonValue(QJsonValue::Null)}};
    if (runtime) {
        companion[QStringLiteral("name")] = runtime->identity.displayName;
        companion[QStringLiteral("version")] = runtime->identity.agentVersion;
        companion[QStringLiteral("companion_id")] = optionalText(runtime->identity.companionId);
    }
    return {
        {QStringLiteral("schema_version"), schemaVersion},
        {QStringLiteral("status"), model.quickStatusTitle()},
        {QStringLiteral("health"),
         health ? QJsonValue(rawValue(health->status)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("companion"), companion},
        {QStringLiteral("connection"),
         QJsonObject{{QStringLiteral("mode"),
                      health ? QJsonValue(health->connection.mode) : QJsonValue(QJsonValue::Null)},
                     {QStringLiteral("label"), model.statusPresentation().connectionModeLabel()}}},
        {QStringLiteral("pairing"), pairingJson(model)},
        {QStringLiteral("clients"), clientsJson(model.currentClients())},
    };
}

QJsonArray clientsJson(const QList<ClientConfig>& clients) {
    QJsonArray array;
    for (const ClientConfig& client : clients) {
        array.append(clientJson(client));
    }
    return array;
}

QString text(const CompanionAppModel& model) {
    QString out = QStringLiteral("Status:     %1\n").arg(model.quickStatusTitle());
    if (const auto& runtime = model.runtime()) {
        out += QStringLiteral("Companion:  %1 (%2)\n")
                   .arg(runtime->identity.displayName, runtime->identity.agentVersion);
    }
    out += QStringLiteral("Connection: %1\n").arg(model.statusPresentation().connectionModeLabel());
    out += QStringLiteral("Pairing:    %1").arg(model.statusPresentation().pairingStatusLabel());
    if (model.isPairingPending()) {
        const PairingStatePayload& pairing = model.runtime()->identity.pairing;
        out += QStringLiteral(" (code %1%2)").arg(pairing.code.value_or(QString()), expiryText(pairing));
    }
    out += u'\n';
    const QList<ClientConfig> clients = model.currentClients();
    out += QStringLiteral("Clients:    %1\n").arg(clients.size());
    if (!clients.isEmpty()) {
        out += clientsText(clients);
    }
    return out;
}

QString clientsText(const QList<ClientConfig>& clients) {
    if (clients.isEmpty()) {
        return QStringLiteral("No torrent clients are configured.\n");
    }
    QString out;
    for (const ClientConfig& client : clients) {
        out += QStringLiteral("  %1  %2 at %3:%4  %5  [%6]\n")
                   .arg(client.label, rawValue(client.type), client.host, QString::number(client.port),
                        client.authState, client.id);
    }
    return out;
}

QString clientStateLine(const ClientConfig& client) {
    QString line = client.label + QStringLiteral(": ") + client.authState;
    if (client.lastError && !client.lastError->trimmed().isEmpty()) {
        line += QStringLiteral(" (") + client.lastError->trimmed() + u')';
    }
    return line;
}

} // namespace StatusReport
