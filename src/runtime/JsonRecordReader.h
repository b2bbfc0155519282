#pragma once

#include "runtime/AnyCodable.h"
#include "runtime/JsonKeyPath.h"
#include "runtime/RecordMemberNames.h"
#include "runtime/WireEnums.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QVarLengthArray>

#include <optional>

namespace WireCoding::detail {

// Failures carry the key path and what was expected versus found.
[[noreturn]] void throwUnexpected(const JsonKeyPath& path, QStringView expected, const QJsonValue& found);
[[noreturn]] void throwMissing(const JsonKeyPath& path);

// Leaf values. Each either fills `out` completely or throws DecodingError.
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QString& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, qint64& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, bool& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QDateTime& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, PairingStatus& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, CompanionHealthStatus& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, ClientType& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, HostKind& out);
// Lenient: accepts any JSON value, null included.
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, PresenceState& out);
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, AnyCodable& out);
// Map keys are taken as they are.
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, AnyCodableMap& out);

// Reads the members of one JSON object; the record shape calls it once per
// member, in the order of `names`.
class RecordReader {
public:
    RecordReader(const QJsonObject& object, const JsonKeyPath& path, const RecordMemberNames& names);

    template <typename F> void required(QLatin1StringView member, F& field) const {
        const JsonKeyPath memberPath(m_path, member);
        const QJsonValue& json = next();
        if (json.isUndefined()) {
            throwMissing(memberPath);
        }
        decodeValue(json, memberPath, field);
    }

    // Absent and null give no value.
    template <typename F> void optional(QLatin1StringView member, std::optional<F>& field) const {
        const QJsonValue& json = next();
        if (json.isUndefined() || json.isNull()) {
            field.reset();
            return;
        }
        decodeValue(json, JsonKeyPath(m_path, member), field.emplace());
    }

    // Absent and null keep the record's default.
    template <typename F> void defaulted(QLatin1StringView member, F& field) const {
        const QJsonValue& json = next();
        if (!json.isUndefined() && !json.isNull()) {
            decodeValue(json, JsonKeyPath(m_path, member), field);
        }
    }

    // A diagnostic event's id: an integer's decimal text, a string, or a fresh UUID when absent.
    void eventId(QLatin1StringView member, QString& field) const;

private:
    // The value of the member the shape visits next; Undefined when absent.
    const QJsonValue& next() const { return m_values[m_next++]; }

    QVarLengthArray<QJsonValue, 20> m_values; // one per member, in visiting order
    mutable qsizetype m_next = 0;
    const JsonKeyPath& m_path;
};

template <typename T> void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QList<T>& out) {
    if (!json.isArray()) {
        throwUnexpected(path, u"an array", json);
    }
    const QJsonArray array = json.toArray();
    out.clear();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        decodeValue(array.at(i), JsonKeyPath(path, i), out.emplace_back());
    }
}

template <typename R>
requires requires(const RecordReader& reader, R& record) {
    describe(reader, record);
}
void decodeValue(const QJsonValue& json, const JsonKeyPath& path, R& out) {
    if (!json.isObject()) {
        throwUnexpected(path, u"an object", json);
    }
    const RecordReader reader(json.toObject(), path, memberNamesOf<R>());
    describe(reader, out);
}

} // namespace WireCoding::detail
