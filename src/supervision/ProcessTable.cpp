#include "supervision/ProcessTable.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <signal.h>
#include <unistd.h>

namespace ProcessTable {

QList<qint64> processIds() {
    QList<qint64> ids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (isNumber && pid > 0) {
            ids.append(pid);
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::optional<QString> executablePath(qint64 pid) {
    std::array<char, 4096> buffer{};
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t length = ::readlink(link.constData(), buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return std::nullopt;
    }
    QString path = QString::fromUtf8(buffer.data(), length);
    const QLatin1String deleted(" (deleted)");
    if (path.endsWith(deleted)) {
        path.chop(deleted.size());
    }
    return path;
}

bool isAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) {
        return false;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return true;
    }
    // "pid (comm) S …": the state follows the last ')' since comm may hold one.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || close + 2 >= line.size() || line.at(close + 2) != 'Z';
}

} // namespace ProcessTable
