#include "model/MacDeviceName.h"

#include <QFile>
#include <QSysInfo>

#include <array>
#include <unistd.h>

namespace {

const QString fallbackName = QStringLiteral("My Mac");

QString processHostName() {
    std::array<char, 256> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return QString::fromLocal8Bit(buffer.data());
}

} // namespace

MacDeviceName::MacDeviceName(Sources sources) : m_sources(std::move(sources)) {}

MacDeviceName MacDeviceName::current() {
    QFile machineInfo(QStringLiteral("/etc/machine-info"));
    const QByteArray text = machineInfo.open(QIODevice::ReadOnly) ? machineInfo.readAll() : QByteArray();
    return MacDeviceName(Sources{prettyHostName(text), QSysInfo::machineHostName(), processHostName()});
}

QString MacDeviceName::computerName() const {
    for (const QString& candidate :
         {m_sources.prettyHostName, m_sources.machineHostName, m_sources.processHostName}) {
        const QString trimmed = candidate.trimmed();
        if (!trimmed.isEmpty()) {
            return trimmed;
        }
    }
    return fallbackName;
}

QString MacDeviceName::localHostName() const {
    QString host = m_sources.machineHostName.trimmed();
    if (host.isEmpty()) {
        host = m_sources.processHostName.trimmed();
    }
    return host.isEmpty() ? QString() : host + u".local";
}

bool MacDeviceName::shouldPreferComputerName(QStringView name) const {
    const QStringView trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed == fallbackName) {
        return true;
    }
    const QString canonicalName = canonicalForm(trimmed);
    // Linux has no separate localized host name; the pretty name is the computer name itself.
    for (const QString& candidate : {m_sources.machineHostName, m_sources.processHostName, localHostName()}) {
        const QString canonicalCandidate = canonicalForm(candidate);
        if (!canonicalCandidate.isEmpty() && canonicalCandidate == canonicalName) {
            return true;
        }
    }
    return false;
}

QString MacDeviceName::canonicalForm(QStringView name) {
    QStringView text = name.trimmed();
    // Only a leading ".local" goes: a name ending in it matches only a name that ends in it too.
    if (text.startsWith(u".local", Qt::CaseInsensitive)) {
        text = text.mid(6);
    }
    QString kept;
    kept.reserve(text.size());
    for (const char32_t codePoint : text.toUcs4()) {
        if (QChar::isLetterOrNumber(codePoint)) {
            kept.append(QString::fromUcs4(&codePoint, 1));
        }
    }
    return kept.toLower();
}

QString MacDeviceName::prettyHostName(const QByteArray& machineInfo) {
    static const QByteArray key = QByteArrayLiteral("PRETTY_HOSTNAME=");
    for (const QByteArray& rawLine : machineInfo.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith(key)) {
            continue;
        }
        QByteArray value = line.mid(key.size());
        const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front();
        if (!quoted) {
            return QString::fromUtf8(value);
        }
        const char quote = value.front();
        value = value.mid(1, value.size() - 2);
        if (quote == '\'') {
            return QString::fromUtf8(value);
        }
        QByteArray unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            unescaped.append(value[i]);
        }
        return QString::fromUtf8(unescaped);
    }
    return {};
}
