#include "common/ContinuousSleep.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

class TestContinuousSleep : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void elapsesAfterTheDuration() {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QCoro::waitFor(continuousSleep(30ms)));
        QVERIFY(clock.elapsed() >= 29);
    }

    void cancellationWakesTheSleepEarly() {
        SleepCanceller canceller;
        QTimer::singleShot(10ms, &canceller, &SleepCanceller::cancel);
        QVERIFY(!QCoro::waitFor(continuousSleep(1h, &canceller)));
        // An already cancelled canceller ends later sleeps at once.
        QVERIFY(!QCoro::waitFor(continuousSleep(10s, &canceller)));
    }
};

QTEST_GUILESS_MAIN(TestContinuousSleep)
#include "tst_continuoussleep.moc"
