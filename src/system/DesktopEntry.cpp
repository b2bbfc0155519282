#include "system/DesktopEntry.h"

namespace {

const QString groupHeader = u"[Desktop Entry]"_qs;

QString unescapeValue(QStringView raw) {
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        switch (raw[i + 1].unicode()) {
        case u's':
            value += u' ';
            break;
        case u'n':
            value += u'\n';
            break;
        case u't':
            value += u'\t';
            break;
        case u'r':
            value += u'\r';
            break;
        case u'\\':
            value += u'\\';
            break;
        default:
            // Not a string escape: left for the Exec quoting rules to read.
            value += raw[i];
            continue;
        }
        ++i;
    }
    return value;
}

QString escapeValue(QStringView value) {
    QString raw;
    raw.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        switch (value[i].unicode()) {
        case u'\\':
            raw += u"\\\\";
            break;
        case u'\n':
            raw += u"\\n";
            break;
        case u'\t':
            raw += u"\\t";
            break;
        case u'\r':
            raw += u"\\r";
            break;
        case u' ':
            // Leading white space would be trimmed by readers.
            raw += i == 0 ? u"\\s"_qs : u" "_qs;
            break;
        default:
            raw += value[i];
        }
    }
    return raw;
}

// Field codes stand for files and URLs the launcher would pass; a login start
// passes none, so they expand to nothing.
std::optional<QString> expandFieldCodes(const QString& argument) {
    QString expanded;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] == u'%' && i + 1 < argument.size()) {
            if (argument[++i] == u'%') {
                expanded += u'%';
            }
            continue;
        }
        expanded += argument[i];
    }
    if (expanded.isEmpty() && !argument.isEmpty()) {
        return std::nullopt;
    }
    return expanded;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

} // namespace

DesktopEntry DesktopEntry::parse(const QByteArray& contents) {
    DesktopEntry entry;
    bool inGroup = false;
    for (const QString& line : QString::fromUtf8(contents).split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            inGroup = trimmed == groupHeader;
            continue;
        }
        const qsizetype equals = trimmed.indexOf(u'=');
        if (!inGroup || equals <= 0) {
            continue;
        }
        const QString key = trimmed.first(equals).trimmed();
        if (!entry.value(key)) {
            entry.m_entries.append({key, unescapeValue(QStringView(trimmed).sliced(equals + 1).trimmed())});
        }
    }
    return entry;
}

std::optional<QString> DesktopEntry::value(const QString& key) const {
    for (const auto& [name, value] : m_entries) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<bool> DesktopEntry::boolean(const QString& key) const {
    const auto text = value(key);
    if (text == u"true") {
        return true;
    }
    if (text == u"false") {
        return false;
    }
    return std::nullopt;
}

void DesktopEntry::setValue(const QString& key, const QString& value) {
    for (auto& [name, existing] : m_entries) {
        if (name == key) {
            existing = value;
            return;
        }
    }
    m_entries.append({key, value});
}

QByteArray DesktopEntry::toByteArray() const {
    QString text = groupHeader + u'\n';
    for (const auto& [name, value] : m_entries) {
        text += name % u'=' % escapeValue(value) % u'\n';
    }
    return text.toUtf8();
}

QString DesktopEntry::quoteExecArgument(QStringView argument) {
    static constexpr QStringView reserved = u" \t\n\"'\\><~|&;$*?#()`";
    static constexpr QStringView escapedInQuotes = u"\"`$\\";
    bool quoted = argument.isEmpty();
    for (const QChar c : argument) {
        quoted = quoted || reserved.contains(c);
    }
    QString text;
    if (quoted) {
        text += u'"';
    }
    for (const QChar c : argument) {
        if (quoted && escapedInQuotes.contains(c)) {
            text += u'\\';
        } else if (c == u'%') {
            text += u'%';
        }
        text += c;
    }
    if (quoted) {
        text += u'"';
    }
    return text;
}

std::optional<QStringList> DesktopEntry::execArguments(QStringView exec) {
    static constexpr QStringView escapedInQuotes = u"\"`$\\";
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    const auto endArgument = [&] {
        if (inArgument) {
            if (auto expanded = expandFieldCodes(current)) {
                arguments.append(std::move(*expanded));
            }
        }
        current.clear();
        inArgument = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size() && escapedInQuotes.contains(exec[i + 1])) {
                current += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (isBlank(c)) {
            endArgument();
        } else {
            inArgument = true;
            if (c == u'"') {
                quoted = true;
            } else {
                current += c;
            }
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    endArgument();
    return arguments;
}
