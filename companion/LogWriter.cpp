#include "companion/LogWriter.h"

#include "runtime/WireCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cstdio>

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
    if (!isEnabled(level)) {
        return;
    }
    const QByteArray line = formatLine(QDateTime::currentDateTimeUtc(), level, code, message, details) + '\n';
    FILE* stream = level >= Level::Warn ? stderr : stdout;
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fflush(stream);
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
