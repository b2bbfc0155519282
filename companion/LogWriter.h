#pragma once

#include "runtime/AnyCodable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// One line per notable event: debug and info on standard output, warnings and
// errors on standard error (the app appends both to the runtime log).
// log_format "text" writes "<time> <level> <code>: <message> key=value…",
// "json" one JSON object per line.
class LogWriter {
public:
    enum class Level { Debug, Info, Warn, Error };

    LogWriter() = default;
    LogWriter(Level threshold, bool json) : m_threshold(threshold), m_json(json) {}

    // debug, info, warn (or warning), error; case-insensitive.
    static std::optional<Level> levelFromText(QStringView text);
    static QString levelText(Level level);
    // text or json; case-insensitive.
    static std::optional<bool> isJsonFormat(QStringView text);

    void configure(Level threshold, bool json);
    bool isEnabled(Level level) const noexcept { return level >= m_threshold; }

    void write(Level level, QStringView code, QStringView message, const AnyCodableMap& details = {}) const;
    QByteArray formatLine(const QDateTime& at, Level level, QStringView code, QStringView message,
                          const AnyCodableMap& details) const;

private:
    Level m_threshold = Level::Info;
    bool m_json = false;
};
