#include "runtime/WireEnums.h"

#include <QLatin1StringView>

#include <array>

namespace {

template <typename Enum, std::size_t N>
QString rawOf(const std::array<QLatin1StringView, N>& raws, Enum value) {
    return QString(raws[static_cast<std::size_t>(value)]);
}

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(const std::array<QLatin1StringView, N>& raws, QStringView raw) {
    for (std::size_t i = 0; i < N; ++i) {
        if (raw == raws[i]) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

// Indexed by the enumerators' declaration order.
constexpr std::array pairingStatusRaws{QLatin1StringView("unpaired"), QLatin1StringView("pending"),
                                       QLatin1StringView("paired")};
constexpr std::array healthStatusRaws{QLatin1StringView("healthy"), QLatin1StringView("degraded"),
                                      QLatin1StringView("setup_required")};
constexpr std::array presenceStateRaws{QLatin1StringView("disconnected"), QLatin1StringView("connecting"),
                                       QLatin1StringView("connected")};
constexpr std::array clientTypeRaws{QLatin1StringView("qbittorrent"), QLatin1StringView("transmission"),
                                    QLatin1StringView("deluge")};
constexpr std::array hostKindRaws{QLatin1StringView("local"), QLatin1StringView("lan")};

} // namespace

QString rawValue(PairingStatus value) {
    return rawOf(pairingStatusRaws, value);
}
QString rawValue(CompanionHealthStatus value) {
    return rawOf(healthStatusRaws, value);
}
QString rawValue(PresenceState value) {
    return rawOf(presenceStateRaws, value);
}
QString rawValue(ClientType value) {
    return rawOf(clientTypeRaws, value);
}
QString rawValue(HostKind value) {
    return rawOf(hostKindRaws, value);
}

QString productName(ClientType type) {
    switch (type) {
    case ClientType::Qbittorrent:
        return QStringLiteral("qBittorrent");
    case ClientType::Transmission:
        return QStringLiteral("Transmission");
    case ClientType::Deluge:
        return QStringLiteral("Deluge");
    }
    Q_UNREACHABLE();
}

std::optional<PairingStatus> pairingStatusFromRaw(QStringView raw) {
    return fromRaw<PairingStatus>(pairingStatusRaws, raw);
}
std::optional<CompanionHealthStatus> companionHealthStatusFromRaw(QStringView raw) {
    return fromRaw<CompanionHealthStatus>(healthStatusRaws, raw);
}
std::optional<ClientType> clientTypeFromRaw(QStringView raw) {
    return fromRaw<ClientType>(clientTypeRaws, raw);
}
std::optional<HostKind> hostKindFromRaw(QStringView raw) {
    return fromRaw<HostKind>(hostKindRaws, raw);
}

PresenceState presenceStateFromLenientText(QStringView text) {
    const QString normalized = text.trimmed().toString().toLower();
    return fromRaw<PresenceState>(presenceStateRaws, normalized).value_or(PresenceState::Disconnected);
}

const QList<ClientType>& allClientTypes() {
    static const QList<ClientType> all{ClientType::Qbittorrent, ClientType::Transmission, ClientType::Deluge};
    return all;
}

const QList<HostKind>& allHostKinds() {
    static const QList<HostKind> all{HostKind::Local, HostKind::Lan};
    return all;
}
