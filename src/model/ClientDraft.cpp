#include "model/ClientDraft.h"

#include "runtime/HostRules.h"

namespace {

std::optional<QString> presentWhenNotBlank(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional(trimmed);
}

} // namespace

ClientDraft ClientDraft::fromClient(const std::optional<ClientConfig>& client) {
    ClientDraft draft;
    if (!client) {
        return draft;
    }
    draft.clientID = client->id;
    draft.label = client->label;
    draft.type = client->type;
    draft.hostKind = client->hostKind;
    draft.host = client->host;
    draft.port = client->port;
    draft.username = client->username.value_or(QString());
    draft.password = client->password.value_or(QString());
    draft.useTls = client->useTls;
    draft.insecureSkipVerify = client->insecureSkipVerify;
    return draft;
}

void ClientDraft::applyDefaultsForCurrentType() {
    if (port == 0) {
        port = defaultPort(type);
    }
    if (host.trimmed().isEmpty()) {
        host = defaultHost(hostKind);
    }
}

ClientConfig ClientDraft::asClientConfig() const {
    const QString trimmedHost = host.trimmed();
    ClientConfig client;
    client.id = clientID;
    client.label = label.trimmed();
    client.type = type;
    client.hostKind = inferredHostKind(trimmedHost, hostKind);
    client.host = trimmedHost;
    client.port = port;
    client.username = presentWhenNotBlank(username);
    client.password = presentWhenNotBlank(password);
    client.useTls = useTls;
    client.insecureSkipVerify = insecureSkipVerify;
    client.authState = QStringLiteral("unknown");
    return client;
}

qint64 ClientDraft::defaultPort(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return 8080;
    case ClientType::Transmission:
        return 9091;
    case ClientType::Deluge:
        return 8112;
    }
    Q_UNREACHABLE();
    return 8080;
}

QString ClientDraft::defaultHost(HostKind hostKind) {
    switch (hostKind) {
    case HostKind::Local:
        return QStringLiteral("localhost");
    case HostKind::Lan:
        return QStringLiteral("192.168.1.50");
    }
    Q_UNREACHABLE();
    return QString();
}
