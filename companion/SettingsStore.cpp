#include "companion/SettingsStore.h"

#include "companion/Database.h"
#include "companion/LogWriter.h"
#include "runtime/WireCoding.h"

namespace {

const QString logLevelKey = QStringLiteral("log_level");
const QString logFormatKey = QStringLiteral("log_format");
const QString keepDiagEventsKey = QStringLiteral("keep_diag_events");

} // namespace

SettingsStore::SettingsStore(const Database& database) : m_database(database) {
    m_database.transaction([&] {
        const QString insert = QStringLiteral("INSERT OR IGNORE INTO settings (key, value) VALUES (?, ?)");
        m_database.run(insert, {logLevelKey, QStringLiteral("info")});
        m_database.run(insert, {logFormatKey, QStringLiteral("text")});
        m_database.run(insert, {keepDiagEventsKey, QString::number(defaultKeepDiagEvents)});
    });
    // A value edited by hand into something unusable falls back to the default.
    const QString level = value(logLevelKey, {}).trimmed().toLower();
    m_diagnostics.logLevel = LogWriter::levelFromText(level) ? level : QStringLiteral("info");
    const QString format = value(logFormatKey, {}).trimmed().toLower();
    m_diagnostics.logFormat = LogWriter::isJsonFormat(format) ? format : QStringLiteral("text");
    bool ok = false;
    const qint64 keep = value(keepDiagEventsKey, {}).toLongLong(&ok);
    m_diagnostics.keepDiagEvents = ok && keep > 0 ? keep : defaultKeepDiagEvents;
}

void SettingsStore::recordStart(const QDateTime& at) {
    m_database.run(
        QStringLiteral("INSERT OR REPLACE INTO settings (key, value) VALUES ('last_started_at', ?)"),
        {WireCoding::formatDate(at)});
}

QString SettingsStore::value(const QString& key, const QString& fallback) const {
    QSqlQuery query = m_database.run(QStringLiteral("SELECT value FROM settings WHERE key = ?"), {key});
    return query.next() ? query.value(0).toString() : fallback;
}
