#include "ctl/ControlSession.h"
#include "supervision/CompanionPaths.h"

#include <QFile>

#include <cstdio>

namespace {

// The last `count` lines of the bytes (all of them when there are fewer).
QByteArray lastLines(const QByteArray& bytes, int count) {
    qsizetype start = bytes.size();
    if (start > 0 && bytes.endsWith('\n')) {
        --start;
    }
    for (int found = 0; found < count && start > 0; ++found) {
        start = bytes.lastIndexOf('\n', start - 1);
        if (start < 0) {
            return bytes;
        }
    }
    return count == 0 ? QByteArray() : bytes.mid(start == 0 ? 0 : start + 1);
}

// The log's bytes as they are, whatever their encoding.
void writeOut(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

QCoro::Task<ControlExitCode> ControlSession::logs() {
    const QString path = CompanionPaths::runtimeLog();
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly)) {
        m_err << QStringLiteral("The runtime log “%1” cannot be read: %2").arg(path, log.errorString())
              << Qt::endl;
        co_return ControlExitCode::Failure;
    }
    const QByteArray existing = log.readAll();
    writeOut(lastLines(existing, m_options.logLines));
    if (!m_options.follow) {
        co_return ControlExitCode::Success;
    }

    m_interruptible = true;
    qint64 offset = existing.size();
    while (co_await continuousSleep(m_settings.pollInterval, &m_interruption)) {
        // A log that was cut is read again from its start.
        if (log.size() < offset) {
            log.close();
            log.setFileName(path);
            if (!log.open(QIODevice::ReadOnly)) {
                continue;
            }
            offset = 0;
        }
        log.seek(offset);
        const QByteArray added = log.readAll();
        offset += added.size();
        writeOut(added);
    }
    co_return ControlExitCode::Success;
}
