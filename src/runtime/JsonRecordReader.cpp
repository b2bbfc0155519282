#include "runtime/JsonRecordReader.h"

#include "runtime/WireCoding.h"

#include <QCoreApplication>
#include <QUuid>

namespace WireCoding::detail {

namespace {

constexpr qsizetype quotedTextLimit = 60;

QString describeFound(const QJsonValue& found) {
    switch (found.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return found.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        const qint64 integer = found.toInteger(0);
        return integer == found.toInteger(1) ? QString::number(integer)
                                             : QString::number(found.toDouble(), 'g', 17);
    }
    case QJsonValue::String: {
        // Long texts are cut: the message must stay readable whatever was sent.
        const QString text = found.toString();
        return u'"' + (text.size() > quotedTextLimit ? text.left(quotedTextLimit) + u'…' : text) + u'"';
    }
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

QString placeOf(const JsonKeyPath& path) {
    const QString text = path.text();
    return text.isEmpty() ? QStringLiteral("the document") : u'"' + text + u'"';
}

// Integral numbers only (1, 1.0 and 1e2 alike), within the 64-bit range.
std::optional<qint64> integerOf(const QJsonValue& json) {
    if (!json.isDouble()) {
        return std::nullopt;
    }
    const qint64 integer = json.toInteger(0);
    if (integer != json.toInteger(1)) {
        return std::nullopt;
    }
    return integer;
}

template <typename Enum>
void decodeStrictEnum(const QJsonValue& json, const JsonKeyPath& path, Enum& out,
                      std::optional<Enum> (*fromRaw)(QStringView), std::initializer_list<Enum> cases) {
    if (json.isString()) {
        if (auto value = fromRaw(json.toString())) {
            out = *value;
            return;
        }
    }
    QString expected = QStringLiteral("one of ");
    for (const Enum value : cases) {
        if (value != *cases.begin()) {
            expected += QStringLiteral(", ");
        }
        expected += u'"' + rawValue(value) + u'"';
    }
    throwUnexpected(path, expected, json);
}

} // namespace

void throwUnexpected(const JsonKeyPath& path, QStringView expected, const QJsonValue& found) {
    throw DecodingError(
        QCoreApplication::translate("DecodingError", "Unexpected value for %1: expected %2, found %3.")
            .arg(placeOf(path), expected, describeFound(found)));
}

void throwMissing(const JsonKeyPath& path) {
    throw DecodingError(
        QCoreApplication::translate("DecodingError", "Missing value for %1.").arg(placeOf(path)));
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QString& out) {
    if (!json.isString()) {
        throwUnexpected(path, u"a string", json);
    }
    out = json.toString();
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, qint64& out) {
    const auto integer = integerOf(json);
    if (!integer) {
        throwUnexpected(path, u"a 64-bit integer", json);
    }
    out = *integer;
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, bool& out) {
    if (!json.isBool()) {
        throwUnexpected(path, u"true or false", json);
    }
    out = json.toBool();
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, QDateTime& out) {
    if (!json.isString()) {
        throwUnexpected(path, u"a date text", json);
    }
    out = parseDate(json.toString());
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, PairingStatus& out) {
    decodeStrictEnum(json, path, out, &pairingStatusFromRaw,
                     {PairingStatus::Unpaired, PairingStatus::Pending, PairingStatus::Paired});
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, CompanionHealthStatus& out) {
    decodeStrictEnum(json, path, out, &companionHealthStatusFromRaw,
                     {CompanionHealthStatus::Healthy, CompanionHealthStatus::Degraded,
                      CompanionHealthStatus::SetupRequired});
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, ClientType& out) {
    decodeStrictEnum(json, path, out, &clientTypeFromRaw,
                     {ClientType::Qbittorrent, ClientType::Transmission, ClientType::Deluge});
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, HostKind& out) {
    decodeStrictEnum(json, path, out, &hostKindFromRaw, {HostKind::Local, HostKind::Lan});
}

void decodeValue(const QJsonValue& json, const JsonKeyPath&, PresenceState& out) {
    out = presenceStateFromLenientText(json.isString() ? json.toString() : QString());
}

void decodeValue(const QJsonValue& json, const JsonKeyPath&, AnyCodable& out) {
    if (const auto integer = integerOf(json)) {
        out.value = *integer;
    } else if (json.isDouble()) {
        out.value = json.toDouble();
    } else if (json.isBool()) {
        out.value = json.toBool();
    } else if (json.isString()) {
        out.value = json.toString();
    } else {
        out.value = QString();
    }
}

void decodeValue(const QJsonValue& json, const JsonKeyPath& path, AnyCodableMap& out) {
    if (!json.isObject()) {
        throwUnexpected(path, u"an object", json);
    }
    const QJsonObject object = json.toObject();
    out.clear();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        AnyCodable value;
        decodeValue(it.value(), path, value);
        out.insert(out.cend(), it.key(), std::move(value)); // keys arrive sorted
    }
}

RecordReader::RecordReader(const QJsonObject& object, const JsonKeyPath& path, const RecordMemberNames& names)
    : m_path(path) {
    const QList<RecordMemberNames::Member>& members = names.members();
    qsizetype matchedKeys = 0;
    for (const RecordMemberNames::Member& member : members) {
        QJsonValue value(QJsonValue::Undefined);
        for (const QString& spelling : member.spellings) {
            if (const auto it = object.constFind(spelling); it != object.constEnd()) {
                if (value.isUndefined()) {
                    value = it.value();
                }
                ++matchedKeys;
            }
        }
        m_values.append(std::move(value));
    }
    if (matchedKeys == object.size()) {
        return;
    }
    // Some key is unknown or unusually spelled (last__ok_at): convert every key
    // and match again. Several keys may convert to one member; the first wins.
    std::fill(m_values.begin(), m_values.end(), QJsonValue(QJsonValue::Undefined));
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString key = camelCaseKey(it.key());
        for (qsizetype i = 0; i < members.size(); ++i) {
            if (key == members[i].name || key == members[i].roundTripped) {
                if (m_values[i].isUndefined()) {
                    m_values[i] = it.value();
                }
                break;
            }
        }
    }
}

void RecordReader::eventId(QLatin1StringView member, QString& field) const {
    const QJsonValue& json = next();
    if (json.isUndefined() || json.isNull()) {
        field = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    } else if (json.isString()) {
        field = json.toString();
    } else if (const auto integer = integerOf(json)) {
        field = QString::number(*integer);
    } else {
        throwUnexpected(JsonKeyPath(m_path, member), u"an integer or a string", json);
    }
}

} // namespace WireCoding::detail
