#include "common/LogRotation.h"

#include <QFile>
#include <QFileInfo>

QString previousLogPath(const QString& path) {
    return path + QStringLiteral(".1");
}

bool rotateLogIfLarger(const QString& path, qint64 sizeLimit) {
    if (QFileInfo(path).size() <= sizeLimit) {
        return true;
    }
    const QString previous = previousLogPath(path);
    QFile::remove(previous);
    return QFile::rename(path, previous);
}
