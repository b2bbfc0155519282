#include "ui/shell/CompanionApplicationDelegate.h"

#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "model/CompanionPreferences.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <cstdio>

namespace {

// Panels without a title bar (popups, tooltips, the tray menu) stay open.
bool hasTitleBar(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return (type == Qt::Window || type == Qt::Dialog) &&
           !widget->windowFlags().testFlag(Qt::FramelessWindowHint);
}

} // namespace

CompanionApplicationDelegate::CompanionApplicationDelegate(CompanionPreferences& preferences, QObject* parent)
    : QObject(parent), m_preferences(preferences) {}

void CompanionApplicationDelegate::setTerminationPreparationHandler(PreparationHandler handler) {
    m_terminationPreparationHandler = std::move(handler);
}

void CompanionApplicationDelegate::setTrayAvailable(bool available) {
    if (m_trayAvailable == available) {
        return;
    }
    m_trayAvailable = available;
    Q_EMIT trayAvailabilityChanged(available);
}

CompanionApplicationDelegate::TerminationReply CompanionApplicationDelegate::applicationShouldTerminate() {
    if (!m_explicitTerminationRequested && m_trayAvailable) {
        // Read from the store, not the model: only a stored false means quit.
        const std::optional<bool> keepRunning =
            m_preferences.boolValue(CompanionPreferences::keepRunningInMenuBarWhenQuittingKey);
        if (keepRunning != false) {
            closeToMenuBar();
            return TerminationReply::Cancel;
        }
    }
    if (m_isPreparingForTermination || !m_terminationPreparationHandler) {
        return TerminationReply::Now;
    }
    m_isPreparingForTermination = true;
    startBackgroundTask(prepareAndTerminate(), lcUi(), "Preparing to quit");
    return TerminationReply::Later;
}

void CompanionApplicationDelegate::requestTermination() {
    if (applicationShouldTerminate() == TerminationReply::Now) {
        Q_EMIT readyToTerminate();
    }
}

void CompanionApplicationDelegate::quitCompletely() {
    m_explicitTerminationRequested = true;
    requestTermination();
}

void CompanionApplicationDelegate::closeToMenuBar() {
    prepareForForeground();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && hasTitleBar(window)) {
            window->close();
        }
    }
}

void CompanionApplicationDelegate::prepareForForeground() {
    m_explicitTerminationRequested = false;
    m_isPreparingForTermination = false;
}

QCoro::Task<> CompanionApplicationDelegate::prepareAndTerminate() {
    const QPointer<CompanionApplicationDelegate> self(this);
    const PreparationHandler handler = m_terminationPreparationHandler;
    // A failed preparation must not keep the process from ending.
    try {
        co_await handler();
    } catch (const std::exception& error) {
        qCWarning(lcUi).noquote() << "Preparing to quit failed:" << describeError(error);
    }
    if (!self) {
        co_return;
    }
    m_preferences.synchronize();
    std::fflush(stdout);
    std::fflush(stderr);
    m_isPreparingForTermination = false;
    Q_EMIT readyToTerminate();
}
