#include "common/ContinuousSleep.h"

#include <QCoro/QCoroSignal>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <sys/timerfd.h>

#include <unistd.h>

void SleepCanceller::cancel() {
    if (m_cancelled) {
        return;
    }
    m_cancelled = true;
    Q_EMIT cancelled();
}

namespace {

// One-shot alarm on CLOCK_BOOTTIME; falls back to a monotonic QTimer where the
// kernel offers no boot-time timer.
class BoottimeAlarm : public QObject {
    Q_OBJECT
public:
    explicit BoottimeAlarm(std::chrono::milliseconds duration) {
        m_fd = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd < 0) {
            QTimer::singleShot(duration, this, &BoottimeAlarm::ring);
            return;
        }
        const auto ms = std::max<std::chrono::milliseconds::rep>(duration.count(), 1);
        itimerspec setting{};
        setting.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        setting.it_value.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
        ::timerfd_settime(m_fd, 0, &setting, nullptr);
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &BoottimeAlarm::ring);
    }
    ~BoottimeAlarm() override {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    void ring() {
        if (m_rung) {
            return;
        }
        m_rung = true;
        if (m_notifier) {
            m_notifier->setEnabled(false);
        }
        Q_EMIT rang();
    }

Q_SIGNALS:
    void rang();

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    bool m_rung = false;
};

} // namespace

QCoro::Task<bool> continuousSleep(std::chrono::milliseconds duration, SleepCanceller* canceller) {
    if (canceller && canceller->isCancelled()) {
        co_return false;
    }
    BoottimeAlarm alarm(duration);
    bool wasCancelled = false;
    QPointer<SleepCanceller> guard(canceller);
    if (canceller) {
        QObject::connect(canceller, &SleepCanceller::cancelled, &alarm, [&alarm, &wasCancelled] {
            wasCancelled = true;
            alarm.ring();
        });
    }
    co_await qCoro(&alarm, &BoottimeAlarm::rang);
    co_return !wasCancelled;
}

#include "ContinuousSleep.moc"
