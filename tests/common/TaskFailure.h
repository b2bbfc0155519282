#pragma once

#include "common/UserFacingError.h"

#include <QCoro/QCoroTask>
#include <QString>

// Waits for `task` and gives its error's user-facing text, "" when it succeeded
// (QCoro::waitFor alone never returns from a task that throws).
inline QString failureOf(QCoro::Task<> task) {
    return QCoro::waitFor([](QCoro::Task<> inner) -> QCoro::Task<QString> {
        try {
            co_await std::move(inner);
        } catch (const std::exception& error) {
            co_return describeError(error);
        }
        co_return QString();
    }(std::move(task)));
}
