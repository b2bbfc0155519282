#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Whole-file reads and writes for setting tests up; a missing file reads empty.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes the folders on the way; false when any step fails.
inline bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size() &&
           (!executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}
