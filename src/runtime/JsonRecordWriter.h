#pragma once

#include "runtime/AnyCodable.h"
#include "runtime/WireCoding.h"
#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <optional>

namespace WireCoding::detail {

class RecordWriter;

QJsonValue encodeValue(const QString& value);
QJsonValue encodeValue(qint64 value);
QJsonValue encodeValue(bool value);
QJsonValue encodeValue(const QDateTime& value);
QJsonValue encodeValue(PairingStatus value);
QJsonValue encodeValue(CompanionHealthStatus value);
QJsonValue encodeValue(PresenceState value);
QJsonValue encodeValue(ClientType value);
QJsonValue encodeValue(HostKind value);
QJsonValue encodeValue(const AnyCodable& value);
QJsonValue encodeValue(const AnyCodableMap& value);
template <typename T> QJsonValue encodeValue(const QList<T>& values);
template <typename R>
requires requires(RecordWriter& writer, const R& record) {
    describe(writer, record);
}
QJsonValue encodeValue(const R& record);

// Writes the members of one record under their snake-case keys; the record
// shapes call it once per member.
class RecordWriter {
public:
    template <typename F> void required(QLatin1StringView member, const F& field) {
        m_object.insert(snakeCaseKey(QString(member)), encodeValue(field));
    }
    // Absent values are left out, never written as null.
    template <typename F> void optional(QLatin1StringView member, const std::optional<F>& field) {
        if (field) {
            required(member, *field);
        }
    }
    template <typename F> void defaulted(QLatin1StringView member, const F& field) {
        required(member, field);
    }
    void eventId(QLatin1StringView member, const QString& field) { required(member, field); }

    QJsonObject object() const { return m_object; }

private:
    QJsonObject m_object;
};

template <typename T> QJsonValue encodeValue(const QList<T>& values) {
    QJsonArray array;
    for (const T& value : values) {
        array.append(encodeValue(value));
    }
    return array;
}

template <typename R>
requires requires(RecordWriter& writer, const R& record) {
    describe(writer, record);
}
QJsonValue encodeValue(const R& record) {
    RecordWriter writer;
    describe(writer, record);
    return writer.object();
}

} // namespace WireCoding::detail
