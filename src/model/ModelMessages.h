#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class SleepCanceller;

// The error and the notice the windows and the tray show. A notice clears
// itself after its lifetime unless another replaced it meanwhile.
class ModelMessages : public QObject {
    Q_OBJECT
public:
    explicit ModelMessages(std::chrono::milliseconds noticeLifetime);
    ~ModelMessages() override;

    const std::optional<QString>& error() const noexcept { return m_error; }
    const std::optional<QString>& notice() const noexcept { return m_notice; }
    void setError(std::optional<QString> message);
    // (Re)arms the notice's dismissal.
    void setNotice(std::optional<QString> message);
    // No notice is dismissed after this: the application is ending.
    void stopDismissing();

Q_SIGNALS:
    void errorChanged();
    void noticeChanged();
    // After every assignment of either message, changed or not.
    void assigned();

private:
    void rearmDismissal();
    QCoro::Task<> dismissLater(std::shared_ptr<SleepCanceller> task, QString notice);

    const std::chrono::milliseconds m_noticeLifetime;
    std::optional<QString> m_error;
    std::optional<QString> m_notice;
    std::shared_ptr<SleepCanceller> m_dismissTask;
};
