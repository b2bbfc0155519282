#include "companion/IdentityStore.h"

#include "companion/Database.h"
#include "runtime/WireCoding.h"

#include <QDateTime>
#include <QUuid>

IdentityStore::IdentityStore(const Database& database) : m_database(database) {
    m_database.run(QStringLiteral("INSERT OR IGNORE INTO identity (singleton, companion_id, created_at) "
                                  "VALUES (1, ?, ?)"),
                   {QUuid::createUuid().toString(QUuid::WithoutBraces),
                    WireCoding::formatDate(QDateTime::currentDateTimeUtc())});
    QSqlQuery query = m_database.run(QStringLiteral("SELECT companion_id, display_name FROM identity"));
    if (query.next()) {
        m_companionId = query.value(0).toString();
        if (!query.value(1).isNull()) {
            m_chosenDisplayName = query.value(1).toString();
        }
    }
}

void IdentityStore::setDisplayName(const QString& name) {
    m_database.run(QStringLiteral("UPDATE identity SET display_name = ?"), {name});
    m_chosenDisplayName = name;
}
