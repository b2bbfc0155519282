#pragma once

#include "supervision/CompanionPaths.h"
#include "supervision/ProcessTable.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <signal.h>

// The live processes running the runtime executable at `path`.
inline QList<qint64> runtimeProcesses(const QString& path = CompanionPaths::installedRuntimeExecutable()) {
    QList<qint64> pids;
    for (const qint64 pid : ProcessTable::processIds()) {
        if (ProcessTable::isAlive(pid) && ProcessTable::executablePath(pid) == path) {
            pids.append(pid);
        }
    }
    return pids;
}

// Whatever a test left running, so that no runtime outlives it.
inline void killRuntimeProcesses(const QString& path = CompanionPaths::installedRuntimeExecutable()) {
    for (const qint64 pid : runtimeProcesses(path)) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

// Nothing answers yet on the runtime's fixed port.
inline bool runtimePortIsFree() {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, 46901);
    return !probe.waitForConnected(500);
}
