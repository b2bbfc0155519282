#include "ui/shell/AppActionRouter.h"

namespace {

void runIfSet(const std::function<void()>& action) {
    if (action) {
        action();
    }
}

} // namespace

void AppActionRouter::openDashboard() {
    runIfSet(prepareForForegroundAction);
    runIfSet(openDashboardAction);
}

void AppActionRouter::openSettings() {
    runIfSet(prepareForForegroundAction);
    runIfSet(openSettingsAction);
}
