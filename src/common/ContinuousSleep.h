#pragma once

#include <QCoro/QCoroTask>
#include <QObject>

#include <chrono>

// Wakes the sleeps it is handed to, so that a loop's wait can be cut short.
class SleepCanceller : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void cancel();
    bool isCancelled() const noexcept { return m_cancelled; }

Q_SIGNALS:
    void cancelled();

private:
    bool m_cancelled = false;
};

// Sleeps on a clock that keeps counting while the computer is suspended
// (CLOCK_BOOTTIME), without blocking the event loop. Returns false when the
// sleep was cut short by the canceller, true when the duration elapsed.
QCoro::Task<bool> continuousSleep(std::chrono::milliseconds duration, SleepCanceller* canceller = nullptr);
