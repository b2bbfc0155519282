#include "supervision/AppLogFile.h"

#include "common/LogRotation.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRecursiveMutex>

#include <optional>

namespace {

// Messages arrive from any thread; a warning raised while writing one comes back in here.
QRecursiveMutex mutex;
std::optional<QFile> file;
qint64 sizeLimit = AppLogFile::defaultSizeLimit;
QtMessageHandler previousHandler = nullptr;
bool installed = false;

const char* levelName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "unknown";
}

bool openAppending(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    file.emplace(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.reset();
        return false;
    }
    return true;
}

void writeMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        const QMutexLocker lock(&mutex);
        if (file) {
            const QByteArray line =
                QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8() + ' ' + levelName(type) +
                ' ' + (context.category ? context.category : "default") + ": " + message.toUtf8() + '\n';
            file->write(line);
            file->flush();
            if (file->size() > sizeLimit) {
                const QString path = file->fileName();
                file->close();
                rotateLogIfLarger(path, sizeLimit);
                openAppending(path);
            }
        }
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

bool AppLogFile::install(const QString& path, qint64 limit) {
    const QMutexLocker lock(&mutex);
    sizeLimit = limit;
    // A file left too large by an earlier run starts this one afresh.
    rotateLogIfLarger(path, sizeLimit);
    const bool opened = openAppending(path);
    if (!installed) {
        previousHandler = qInstallMessageHandler(writeMessage);
        installed = true;
    }
    return opened;
}

void AppLogFile::uninstall() {
    const QMutexLocker lock(&mutex);
    if (installed) {
        qInstallMessageHandler(previousHandler);
        previousHandler = nullptr;
        installed = false;
    }
    file.reset();
}
