#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The runtime's SQLite database (WAL, fully synchronous commits, so that an
// acknowledged change survives a killed process). Opening checks the file and
// applies the numbered migrations it has not seen yet.
class Database {
public:
    // Opens the file, creating it when missing. Throws StorageError for a file
    // that is damaged, unwritable or written by a newer build.
    explicit Database(QString path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    static int latestSchemaVersion();

    const QString& path() const noexcept { return m_path; }
    int schemaVersion() const noexcept { return m_schemaVersion; }
    // This start created the database file (or found it empty).
    bool wasCreated() const noexcept { return m_created; }
    // The file was there but empty: it was taken as a new database.
    bool wasEmpty() const noexcept { return m_wasEmpty; }

    // Runs one statement with positional bindings; throws StorageError, and
    // StorageGoneError for a write when the file was deleted or replaced.
    QSqlQuery run(const QString& sql, const QVariantList& bindings = {}) const;

    // Runs work in one transaction: all of it is stored, or none.
    template <typename Work> void transaction(Work&& work) const {
        run(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            work();
            run(QStringLiteral("COMMIT"));
        } catch (...) {
            rollback();
            throw;
        }
        // Committed to a file that is no longer at the path: not on disk for the next start.
        checkStillThere();
    }

private:
    void migrate();
    // Throws StorageGoneError when the file at the path is not the one opened.
    void checkStillThere() const;
    void rollback() const noexcept;
    [[noreturn]] void fail(const QString& what, const QString& detail) const;

    QString m_path;
    QString m_connectionName;
    int m_schemaVersion = 0;
    bool m_created = false;
    bool m_wasEmpty = false;
    // The file opened (device and inode): a write goes to this file only while it is at the path.
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
