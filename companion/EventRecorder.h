#pragma once

#include "companion/LogWriter.h"
#include "runtime/AnyCodable.h"

#include <QString>

class DiagnosticsStore;

// A notable event: stored as a diagnostic for the app and written as a log line.
class EventRecorder {
public:
    EventRecorder(DiagnosticsStore& store, const LogWriter& log) : m_store(store), m_log(log) {}

    // Throws StorageError when the event cannot be stored (the log line is written first).
    void record(LogWriter::Level level, const QString& code, const QString& message,
                const AnyCodableMap& details = {});
    const LogWriter& log() const noexcept { return m_log; }

private:
    DiagnosticsStore& m_store;
    const LogWriter& m_log;
};
