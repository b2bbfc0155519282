#pragma once

#include "runtime/DiagnosticsConfig.h"

#include <QDateTime>

class Database;

// The runtime's own settings: how it logs and how many diagnostics it keeps.
// The defaults are written when the database is created.
class SettingsStore {
public:
    static constexpr qint64 defaultKeepDiagEvents = 500;

    explicit SettingsStore(const Database& database);

    const DiagnosticsConfig& diagnostics() const noexcept { return m_diagnostics; }
    // Stamps the start; the first write of every start, so an unwritable
    // database stops the runtime before it answers anything.
    void recordStart(const QDateTime& at);

private:
    QString value(const QString& key, const QString& fallback) const;

    const Database& m_database;
    DiagnosticsConfig m_diagnostics;
};
