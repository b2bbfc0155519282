#include "companion/Database.h"

#include "companion/StorageError.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QUuid>
#include <sys/stat.h>

#include <unistd.h>

namespace {

// Migration n brings the schema from version n-1 to n. Append only: a
// released migration never changes.
const QList<QStringList>& migrations() {
    static const QList<QStringList> list{
        {
            QStringLiteral("CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE identity (singleton INTEGER PRIMARY KEY CHECK (singleton = 1), "
                           "companion_id TEXT NOT NULL, display_name TEXT, created_at TEXT NOT NULL)"),
            QStringLiteral(
                "CREATE TABLE pairing (singleton INTEGER PRIMARY KEY CHECK (singleton = 1), "
                "status TEXT NOT NULL, pairing_id TEXT, code TEXT, expires_at TEXT, "
                "trust_owner_id TEXT, paired_at TEXT, failed_attempts INTEGER NOT NULL DEFAULT 0)"),
            QStringLiteral("CREATE TABLE clients (id TEXT PRIMARY KEY, position INTEGER NOT NULL, "
                           "config TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE diagnostics (seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "level TEXT NOT NULL, event TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX diagnostics_by_level ON diagnostics (level, seq)"),
        },
    };
    return list;
}

} // namespace

int Database::latestSchemaVersion() {
    return static_cast<int>(migrations().size());
}

Database::Database(QString path)
    : m_path(std::move(path)),
      m_connectionName(QStringLiteral("companion-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    const QFileInfo file(m_path);
    m_created = !file.exists();
    m_wasEmpty = file.isFile() && file.size() == 0;
    if (file.isFile() && (!file.permissions().testFlag(QFile::WriteOwner) ||
                          ::access(QFile::encodeName(m_path).constData(), W_OK) != 0)) {
        fail(QStringLiteral("is read-only"),
             QStringLiteral("make the file writable for the user that runs the companion"));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        fail(QStringLiteral("cannot be opened"), db.lastError().text());
    }
    // Passwords of torrent clients live here.
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    m_created = m_created || m_wasEmpty;

    // Each statement is finished before the next: an open one holds a read transaction.
    QSqlQuery check(db);
    const bool checked = check.exec(QStringLiteral("PRAGMA quick_check")) && check.next();
    const QString checkResult = checked ? check.value(0).toString() : check.lastError().text();
    check.finish();
    if (checkResult != u"ok") {
        fail(QStringLiteral("is damaged"), checkResult);
    }
    QSqlQuery journal = run(QStringLiteral("PRAGMA journal_mode=WAL"));
    const QString journalMode = journal.next() ? journal.value(0).toString().toLower() : QString();
    journal.finish();
    if (journalMode != u"wal") {
        fail(QStringLiteral("cannot be written"), QStringLiteral("write-ahead logging is not available"));
    }
    run(QStringLiteral("PRAGMA synchronous=FULL"));
    migrate();
    struct stat opened {};
    if (::stat(QFile::encodeName(m_path).constData(), &opened) == 0) {
        m_device = quint64(opened.st_dev);
        m_inode = quint64(opened.st_ino);
    }
}

Database::~Database() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlQuery Database::run(const QString& sql, const QVariantList& bindings) const {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.prepare(sql)) {
        fail(QStringLiteral("cannot be read"), query.lastError().text());
    }
    for (const QVariant& value : bindings) {
        query.addBindValue(value);
    }
    const bool writes = !sql.startsWith(u"SELECT") && !sql.startsWith(u"PRAGMA");
    if (writes && m_inode != 0) {
        checkStillThere();
    }
    if (!query.exec()) {
        fail(writes ? QStringLiteral("cannot be written") : QStringLiteral("cannot be read"),
             query.lastError().text());
    }
    return query;
}

void Database::migrate() {
    QSqlQuery version = run(QStringLiteral("PRAGMA user_version"));
    m_schemaVersion = version.next() ? version.value(0).toInt() : 0;
    version.finish();
    if (m_schemaVersion > latestSchemaVersion()) {
        fail(QStringLiteral("was written by a newer version of the companion"),
             QStringLiteral("schema %1, this build knows up to %2")
                 .arg(m_schemaVersion)
                 .arg(latestSchemaVersion()));
    }
    while (m_schemaVersion < latestSchemaVersion()) {
        const int next = m_schemaVersion + 1;
        transaction([&] {
            for (const QString& statement : migrations().at(next - 1)) {
                run(statement);
            }
            run(QStringLiteral("PRAGMA user_version = %1").arg(next));
        });
        m_schemaVersion = next;
    }
}

void Database::checkStillThere() const {
    struct stat now {};
    if (m_inode == 0) {
        return;
    }
    if (::stat(QFile::encodeName(m_path).constData(), &now) != 0 || quint64(now.st_dev) != m_device ||
        quint64(now.st_ino) != m_inode) {
        throw StorageGoneError(
            QStringLiteral(
                "The companion’s database %1 was deleted or replaced while the companion was running, so "
                "nothing can be saved; restart the companion.")
                .arg(m_path));
    }
}

void Database::rollback() const noexcept {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.exec(QStringLiteral("ROLLBACK"));
}

void Database::fail(const QString& what, const QString& detail) const {
    const QString reason =
        detail.trimmed().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail.trimmed());
    throw StorageError(QStringLiteral("The companion’s database %1 %2%3.").arg(m_path, what, reason));
}
