#pragma once

#include <QList>
#include <QString>

#include <optional>

// The system's process list, read from /proc.
namespace ProcessTable {

// Every process id, ascending.
QList<qint64> processIds();

// The executable a process runs, without the " (deleted)" mark of a replaced
// file; none when it cannot be read (gone, a zombie, or not ours to inspect).
std::optional<QString> executablePath(qint64 pid);

// True while the process exists and has not ended; a zombie waiting for its
// parent to reap it counts as ended.
bool isAlive(qint64 pid);

} // namespace ProcessTable
