#pragma once

#include <QString>

// Keeps a log from growing forever: once `path` holds more than `sizeLimit`
// bytes it becomes `path` + ".1" (replacing the previous one) and the next
// writer starts an empty file. Returns false when the rename failed.
bool rotateLogIfLarger(const QString& path, qint64 sizeLimit);

// The one previous file kept by rotateLogIfLarger.
QString previousLogPath(const QString& path);
