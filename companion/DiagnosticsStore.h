#pragma once

#include "runtime/DiagnosticEvent.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

class Database;
class LogWriter;

// Diagnostic events, newest first when read; only the newest keepEvents are kept.
// An event's id is its sequence number.
class DiagnosticsStore {
public:
    // A damaged event is left out of what is read, and said once in log.
    DiagnosticsStore(const Database& database, qint64 keepEvents, const LogWriter* log = nullptr);

    DiagnosticEvent append(const QString& level, const QString& code, const QString& message,
                           std::optional<AnyCodableMap> details = std::nullopt);
    QList<DiagnosticEvent> newest(int limit) const;
    // Events of level error or critical.
    QList<DiagnosticEvent> newestErrors(int limit) const;

private:
    QList<DiagnosticEvent> read(const QString& sql, int limit) const;

    const Database& m_database;
    qint64 m_keepEvents;
    const LogWriter* m_log;
    mutable QSet<QString> m_reportedDamage;
};
