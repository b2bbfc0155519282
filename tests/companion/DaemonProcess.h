#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>

// A daemon started in a process group of its own with stdin from /dev/null and
// its output in a log file. The destructor stops the whole group, so nothing
// outlives a failing test; the kernel kills it too should the test itself die.
class DaemonProcess {
public:
    DaemonProcess(const QString& program, const QStringList& arguments, const QString& logPath,
                  const QProcessEnvironment& environment);
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    // Waits until the daemon accepts connections on the loopback port; false
    // when it exited or the limit passed first.
    bool waitForPort(quint16 port, std::chrono::milliseconds limit);
    // SIGTERM to the group, SIGKILL when it does not end in time.
    void stop();
    // What the daemon wrote, for failure messages.
    QByteArray log() const;

private:
    QProcess m_process;
    QString m_logPath;
};
