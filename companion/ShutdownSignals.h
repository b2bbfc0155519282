#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as a Qt signal, read from a signalfd on the event loop, so
// that the handler may do anything (a POSIX signal handler may do almost nothing).
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Blocks the three signals for normal delivery. Call first thing in main(), before
    // any thread starts, so that every thread inherits the mask.
    static void blockDelivery();

    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
