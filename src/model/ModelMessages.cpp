#include "model/ModelMessages.h"

#include "common/BackgroundTask.h"
#include "common/ContinuousSleep.h"
#include "common/LogCategories.h"

#include <QPointer>

ModelMessages::ModelMessages(std::chrono::milliseconds noticeLifetime) : m_noticeLifetime(noticeLifetime) {}

ModelMessages::~ModelMessages() {
    stopDismissing();
}

void ModelMessages::setError(std::optional<QString> message) {
    const bool changed = m_error != message;
    m_error = std::move(message);
    if (changed) {
        Q_EMIT errorChanged();
    }
    Q_EMIT assigned();
}

void ModelMessages::setNotice(std::optional<QString> message) {
    const bool changed = m_notice != message;
    m_notice = std::move(message);
    if (changed) {
        Q_EMIT noticeChanged();
    }
    Q_EMIT assigned();
    rearmDismissal();
}

void ModelMessages::stopDismissing() {
    if (m_dismissTask) {
        std::exchange(m_dismissTask, nullptr)->cancel();
    }
}

void ModelMessages::rearmDismissal() {
    stopDismissing();
    const QString notice = m_notice.value_or(QString()).trimmed();
    if (notice.isEmpty()) {
        return;
    }
    m_dismissTask = std::make_shared<SleepCanceller>();
    startBackgroundTask(dismissLater(m_dismissTask, notice), lcModel(), "Dismissing a notice");
}

QCoro::Task<> ModelMessages::dismissLater(std::shared_ptr<SleepCanceller> task, QString notice) {
    const QPointer<ModelMessages> self(this);
    const bool elapsed = co_await continuousSleep(m_noticeLifetime, task.get());
    if (!elapsed || !self) {
        co_return;
    }
    if (m_notice == notice) {
        setNotice(std::nullopt);
    }
}
