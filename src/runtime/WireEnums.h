#pragma once

#include <QList>
#include <QString>

#include <optional>

// Enumerations of the runtime's wire records. Raw values are the JSON strings;
// the declaration order is also the order in which cases are offered as choices.

enum class PairingStatus { Unpaired, Pending, Paired };
enum class CompanionHealthStatus { Healthy, Degraded, SetupRequired };
enum class PresenceState { Disconnected, Connecting, Connected };
enum class ClientType { Qbittorrent, Transmission, Deluge };
enum class HostKind { Local, Lan };

QString rawValue(PairingStatus value);
QString rawValue(CompanionHealthStatus value);
QString rawValue(PresenceState value);
QString rawValue(ClientType value);
QString rawValue(HostKind value);
// How people know the client: "qBittorrent", "Transmission", "Deluge".
QString productName(ClientType type);

// Strict parsing: exact, case-sensitive raw values; nullopt for anything else.
std::optional<PairingStatus> pairingStatusFromRaw(QStringView raw);
std::optional<CompanionHealthStatus> companionHealthStatusFromRaw(QStringView raw);
std::optional<ClientType> clientTypeFromRaw(QStringView raw);
std::optional<HostKind> hostKindFromRaw(QStringView raw);

// Lenient: trimmed, lower-cased; anything unknown is Disconnected.
PresenceState presenceStateFromLenientText(QStringView text);

const QList<ClientType>& allClientTypes();
const QList<HostKind>& allHostKinds();
