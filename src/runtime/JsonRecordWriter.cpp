#include "runtime/JsonRecordWriter.h"

namespace WireCoding::detail {

QJsonValue encodeValue(const QString& value) {
    return value;
}
QJsonValue encodeValue(qint64 value) {
    return value;
}
QJsonValue encodeValue(bool value) {
    return value;
}
QJsonValue encodeValue(const QDateTime& value) {
    return formatDate(value);
}
QJsonValue encodeValue(PairingStatus value) {
    return rawValue(value);
}
QJsonValue encodeValue(CompanionHealthStatus value) {
    return rawValue(value);
}
QJsonValue encodeValue(PresenceState value) {
    return rawValue(value);
}
QJsonValue encodeValue(ClientType value) {
    return rawValue(value);
}
QJsonValue encodeValue(HostKind value) {
    return rawValue(value);
}

QJsonValue encodeValue(const AnyCodable& value) {
    return std::visit([](const auto& held) { return QJsonValue(held); }, value.value);
}

QJsonValue encodeValue(const AnyCodableMap& value) {
    QJsonObject object;
    for (auto it = value.constBegin(); it != value.constEnd(); ++it) {
        object.insert(it.key(), encodeValue(it.value()));
    }
    return object;
}

} // namespace WireCoding::detail
