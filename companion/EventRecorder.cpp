#include "companion/EventRecorder.h"

#include "companion/DiagnosticsStore.h"

void EventRecorder::record(LogWriter::Level level, const QString& code, const QString& message,
                           const AnyCodableMap& details) {
    m_log.write(level, code, message, details);
    m_store.append(LogWriter::levelText(level), code, message,
                   details.isEmpty() ? std::nullopt : std::optional<AnyCodableMap>(details));
}
