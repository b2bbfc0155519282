#include "DaemonProcess.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <sys/prctl.h>

#include <signal.h>
#include <unistd.h>

DaemonProcess::DaemonProcess(const QString& program, const QStringList& arguments, const QString& logPath,
                             const QProcessEnvironment& environment)
    : m_logPath(logPath) {
    m_process.setProcessEnvironment(environment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(logPath, QIODevice::Append);
    m_process.setStandardErrorFile(logPath, QIODevice::Append);
    m_process.setChildProcessModifier([] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_process.start(program, arguments);
}

DaemonProcess::~DaemonProcess() {
    stop();
}

bool DaemonProcess::waitForPort(quint16 port, std::chrono::milliseconds limit) {
    return QTest::qWaitFor(
               [&] {
                   if (m_process.state() == QProcess::NotRunning) {
                       return true;
                   }
                   QTcpSocket probe;
                   probe.connectToHost(QHostAddress::LocalHost, port);
                   return probe.waitForConnected(100);
               },
               int(limit.count())) &&
           m_process.state() == QProcess::Running;
}

void DaemonProcess::stop() {
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    const pid_t group = pid_t(m_process.processId());
    ::kill(-group, SIGTERM);
    if (!m_process.waitForFinished(10000)) {
        ::kill(-group, SIGKILL);
        m_process.waitForFinished(5000);
    }
    // Children the daemon left behind in its group.
    ::kill(-group, SIGKILL);
}

QByteArray DaemonProcess::log() const {
    QFile file(m_logPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll().right(4000) : QByteArray("(no log)");
}
