#include "companion/DiagnosticsStore.h"

#include "companion/Database.h"
#include "companion/LogWriter.h"
#include "runtime/WireCoding.h"

DiagnosticsStore::DiagnosticsStore(const Database& database, qint64 keepEvents, const LogWriter* log)
    : m_database(database), m_keepEvents(keepEvents), m_log(log) {}

DiagnosticEvent DiagnosticsStore::append(const QString& level, const QString& code, const QString& message,
                                         std::optional<AnyCodableMap> details) {
    DiagnosticEvent event{QString(),         level, code, message, QDateTime::currentDateTimeUtc(),
                          std::move(details)};
    m_database.transaction([&] {
        const QSqlQuery insert =
            m_database.run(QStringLiteral("INSERT INTO diagnostics (level, event) VALUES (?, ?)"),
                           {level, WireCoding::encode(event)});
        const qint64 seq = insert.lastInsertId().toLongLong();
        m_database.run(QStringLiteral("DELETE FROM diagnostics WHERE seq <= ?"), {seq - m_keepEvents});
        event.id = QString::number(seq);
    });
    return event;
}

QList<DiagnosticEvent> DiagnosticsStore::newest(int limit) const {
    return read(QStringLiteral("SELECT seq, event FROM diagnostics ORDER BY seq DESC LIMIT ?"), limit);
}

QList<DiagnosticEvent> DiagnosticsStore::newestErrors(int limit) const {
    return read(QStringLiteral("SELECT seq, event FROM diagnostics WHERE level IN ('error', 'critical') "
                               "ORDER BY seq DESC LIMIT ?"),
                limit);
}

QList<DiagnosticEvent> DiagnosticsStore::read(const QString& sql, int limit) const {
    QList<DiagnosticEvent> events;
    QSqlQuery query = m_database.run(sql, {limit});
    while (query.next()) {
        try {
            DiagnosticEvent event = WireCoding::decode<DiagnosticEvent>(query.value(1).toByteArray());
            event.id = query.value(0).toString();
            events.append(std::move(event));
        } catch (const DecodingError& error) {
            // One bad event must not hide the others (nor the health report).
            const QString seq = query.value(0).toString();
            if (m_log && !m_reportedDamage.contains(seq)) {
                m_reportedDamage.insert(seq);
                m_log->write(
                    LogWriter::Level::Warn, u"diagnostic_event_damaged",
                    QStringLiteral("The companion’s database %1 holds a damaged diagnostic event %2; "
                                   "it is left out (%3).")
                        .arg(m_database.path(), seq, error.description()));
            }
        }
    }
    return events;
}
