#include "companion/LogWriter.h"

#include "runtime/WireCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

QJsonValue jsonValue(const AnyCodable& value) {
    return std::visit([](const auto& held) -> QJsonValue { return QJsonValue(held); }, value.value);
}

bool needsQuotes(const QString& text) {
    return text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) {
               return c.isSpace() || c == u'"' || c == u'=' || c.category() == QChar::Other_Control;
           });
}

QString quotedIfNeeded(const QString& text) {
    if (!needsQuotes(text)) {
        return text;
    }
    // A JSON string literal: quotes, backslashes and control characters escaped.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

std::optional<LogWriter::Level> LogWriter::levelFromText(QStringView text) {
    const QString lower = text.trimmed().toString().toLower();
    if (lower == u"debug") {
        return Level::Debug;
    }
    if (lower == u"info") {
        return Level::Info;
    }
    if (lower == u"warn" || lower == u"warning") {
        return Level::Warn;
    }
    if (lower == u"error") {
        return Level::Error;
    }
    return std::nullopt;
}

QString LogWriter::levelText(Level level) {
    switch (level) {
    case Level::Debug:
        return QStringLiteral("debug");
    case Level::Info:
        return QStringLiteral("info");
    case Level::Warn:
        return QStringLiteral("warn");
    case Level::Error:
        return QStringLiteral("error");
    }
    return QStringLiteral("info");
}

std::optional<bool> LogWriter::isJsonFormat(QStringView text) {
    const QString lower = text.trimmed().toString().toLower();
    if (lower == u"json") {
        return true;
    }
    if (lower == u"text") {
        return false;
    }
    return std::nullopt;
}

void LogWriter::configure(Level threshold, bool json) {
    m_threshold = threshold;
    m_json = json;
}

void LogWriter::write(Level level, QStringView code, QStringView message,
                      const AnyCodableMap& details) const {
    if (!isEnabled(level) || m_closed) {
        return;
    }
    const QByteArray line = formatLine(QDateTime::currentDateTimeUtc(), level, code, message, details) + '\n';
    emitLine(level >= Level::Warn ? m_stderr : m_stdout, line);
}

void LogWriter::close() {
    m_closed = true;
    // What a slow reader has not taken yet gets a moment more.
    for (Stream* stream : {&m_stdout, &m_stderr}) {
        for (int round = 0; round < 20 && !stream->pending.isEmpty(); ++round) {
            pollfd wait{stream->fd, POLLOUT, 0};
            ::poll(&wait, 1, 10);
            flush(*stream);
        }
    }
}

void LogWriter::emitLine(Stream& stream, const QByteArray& line) const {
    if (!stream.prepared) {
        stream.prepared = true;
        struct stat info {};
        // A pipe's reader may stall; a file or a terminal does not for long.
        if (::fstat(stream.fd, &info) == 0 && S_ISFIFO(info.st_mode)) {
            const int flags = ::fcntl(stream.fd, F_GETFL);
            stream.nonBlocking = flags >= 0 && ::fcntl(stream.fd, F_SETFL, flags | O_NONBLOCK) == 0;
        }
    }
    if (!stream.nonBlocking) {
        stream.pending += line;
        flush(stream);
        stream.pending.clear();
        return;
    }
    flush(stream);
    if (stream.dropped > 0 && stream.pending.isEmpty()) {
        stream.pending +=
            formatLine(QDateTime::currentDateTimeUtc(), Level::Warn, u"log_lines_dropped",
                       QStringLiteral("Log lines were dropped while the reader of the log stalled."),
                       {{QStringLiteral("count"), AnyCodable{stream.dropped}}}) +
            '\n';
        stream.dropped = 0;
    }
    if (stream.pending.size() + line.size() > maxPendingBytes) {
        ++stream.dropped;
        return;
    }
    stream.pending += line;
    flush(stream);
}

void LogWriter::flush(Stream& stream) const {
    qsizetype written = 0;
    while (written < stream.pending.size()) {
        const ssize_t n =
            ::write(stream.fd, stream.pending.constData() + written, size_t(stream.pending.size() - written));
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // full (EAGAIN) or gone: the rest waits, or is lost with a closed reader
        }
    }
    stream.pending.remove(0, written);
}

QByteArray LogWriter::formatLine(const QDateTime& at, Level level, QStringView code, QStringView message,
                                 const AnyCodableMap& details) const {
    if (m_json) {
        QJsonObject object{{QStringLiteral("ts"), WireCoding::formatDate(at)},
                           {QStringLiteral("level"), levelText(level)},
                           {QStringLiteral("code"), code.toString()},
                           {QStringLiteral("msg"), message.toString()}};
        if (!details.isEmpty()) {
            QJsonObject detailObject;
            for (auto it = details.begin(); it != details.end(); ++it) {
                detailObject.insert(it.key(), jsonValue(it.value()));
            }
            object.insert(QStringLiteral("details"), detailObject);
        }
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    }
    QString line = WireCoding::formatDate(at) + u' ' + levelText(level) + u' ' + code + u": " +
                   message.toString().simplified();
    for (auto it = details.begin(); it != details.end(); ++it) {
        line += u' ' + it.key() + u'=' + quotedIfNeeded(it.value().description());
    }
    return line.toUtf8();
}
