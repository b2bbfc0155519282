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
    // This start created the database file.
    bool wasCreated() const noexcept { return m_created; }

    // Runs one statement with positional bindings; throws StorageError.
    QSqlQuery run(const QString& sql, const QVariantList& bindings = {}) const;

    // Runs work in one transaction: all of it is stored, or none.
    template <typename Work> void transaction(Work&& work) const {
        run(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            work();
        } catch (...) {
            rollback();
            throw;
        }
        run(QStringLiteral("COMMIT"));
    }

private:
    void migrate();
    void rollback() const noexcept;
    [[noreturn]] void fail(const QString& what, const QString& detail) const;

    QString m_path;
    QString m_connectionName;
    int m_schemaVersion = 0;
    bool m_created = false;
};
