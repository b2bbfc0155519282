#include "companion/PairingStore.h"

#include "companion/Database.h"
#include "companion/StorageError.h"
#include "runtime/WireCoding.h"

#include <QVariant>

namespace {

QVariant optionalText(const std::optional<QString>& text) {
    return text ? QVariant(*text) : QVariant(QMetaType(QMetaType::QString));
}

QVariant optionalDate(const std::optional<QDateTime>& date) {
    return date ? QVariant(WireCoding::formatDate(*date)) : QVariant(QMetaType(QMetaType::QString));
}

std::optional<QString> textOrNone(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<QString>(value.toString());
}

std::optional<QDateTime> dateOrNone(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<QDateTime>(WireCoding::parseDate(value.toString()));
}

} // namespace

PairingStore::PairingStore(const Database& database) : m_database(database) {
    QSqlQuery query =
        m_database.run(QStringLiteral("SELECT status, pairing_id, code, expires_at, trust_owner_id, "
                                      "paired_at, failed_attempts FROM pairing"));
    if (!query.next()) {
        return;
    }
    const auto status = pairingStatusFromRaw(query.value(0).toString());
    if (!status) {
        throw StorageError(QStringLiteral("The companion’s database %1 holds an unknown pairing status (%2).")
                               .arg(m_database.path(), query.value(0).toString()));
    }
    try {
        m_current = {*status,
                     textOrNone(query.value(1)),
                     textOrNone(query.value(2)),
                     dateOrNone(query.value(3)),
                     textOrNone(query.value(4)),
                     dateOrNone(query.value(5)),
                     query.value(6).toInt()};
    } catch (const DecodingError& error) {
        throw StorageError(QStringLiteral("The companion’s database %1 holds a damaged pairing record (%2).")
                               .arg(m_database.path(), error.description()));
    }
}

void PairingStore::save(const PairingRecord& record) {
    m_database.run(
        QStringLiteral("INSERT OR REPLACE INTO pairing (singleton, status, pairing_id, code, expires_at, "
                       "trust_owner_id, paired_at, failed_attempts) VALUES (1, ?, ?, ?, ?, ?, ?, ?)"),
        {rawValue(record.status), optionalText(record.pairingId), optionalText(record.code),
         optionalDate(record.expiresAt), optionalText(record.trustOwnerId), optionalDate(record.pairedAt),
         record.failedAttempts});
    m_current = record;
}
