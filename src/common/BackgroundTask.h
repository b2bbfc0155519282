#pragma once

#include <QCoro/QCoroTask>
#include <QLoggingCategory>

// Starts a task that nobody awaits (a button's action, a loop, the bootstrap)
// and logs whatever escapes it under `what`, instead of losing it.
void startBackgroundTask(QCoro::Task<> task, const QLoggingCategory& category, const char* what);
