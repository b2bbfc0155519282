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
// "json" one JSON object per line. A pipe is written without blocking: while
// its reader stalls, lines wait in a small buffer, then are dropped and counted
// (a log_lines_dropped line tells how many once the reader is back).
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
    // Nothing is written after this (the runtime said it stopped); what waits is flushed briefly.
    void close();
    QByteArray formatLine(const QDateTime& at, Level level, QStringView code, QStringView message,
                          const AnyCodableMap& details) const;

private:
    static constexpr qsizetype maxPendingBytes = 64 * 1024;

    struct Stream {
        explicit Stream(int descriptor) : fd(descriptor) {}
        int fd;
        bool prepared = false;
        bool nonBlocking = false;
        QByteArray pending;
        qint64 dropped = 0;
    };

    void emitLine(Stream& stream, const QByteArray& line) const;
    void flush(Stream& stream) const;

    Level m_threshold = Level::Info;
    bool m_json = false;
    bool m_closed = false;
    mutable Stream m_stdout{1};
    mutable Stream m_stderr{2};
};
