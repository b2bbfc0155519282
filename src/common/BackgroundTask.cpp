#include "common/BackgroundTask.h"

#include "common/UserFacingError.h"

#include <exception>

namespace {

// The caller's category outlives the task: categories are static objects.
QCoro::Task<> runLogged(QCoro::Task<> task, const QLoggingCategory& category, const char* what) {
    try {
        co_await std::move(task);
    } catch (const std::exception& error) {
        qCWarning(category).noquote() << what << "failed:" << describeError(error);
    } catch (...) {
        qCWarning(category) << what << "failed with an unknown exception";
    }
}

} // namespace

void startBackgroundTask(QCoro::Task<> task, const QLoggingCategory& category, const char* what) {
    // Dropping the wrapper detaches it; the coroutine frame lives until it ends.
    runLogged(std::move(task), category, what);
}
