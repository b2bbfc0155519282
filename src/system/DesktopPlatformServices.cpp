#include "system/DesktopPlatformServices.h"

#include <QClipboard>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcPlatform, "vendrilo.platform")

// The caller has no error to show for these: a desktop without a handler is
// worth a line in the log, not a dialog.
void openOrWarn(const QUrl& url) {
    if (!QDesktopServices::openUrl(url)) {
        qCWarning(lcPlatform) << "no handler opened" << url;
    }
}

} // namespace

DesktopPlatformServices::DesktopPlatformServices(QDBusConnection bus) : m_bus(std::move(bus)) {}

void DesktopPlatformServices::copyText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

void DesktopPlatformServices::openUrl(const QUrl& url) {
    openOrWarn(url);
}

void DesktopPlatformServices::revealFile(const QString& path) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    if (!m_bus.isConnected()) {
        openOrWarn(folder);
        return;
    }
    auto call = QDBusMessage::createMethodCall(u"org.freedesktop.FileManager1"_qs,
                                               u"/org/freedesktop/FileManager1"_qs,
                                               u"org.freedesktop.FileManager1"_qs, u"ShowItems"_qs);
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()} << QString();
    // Asynchronous: activating a file manager can take a while, and the GUI must not wait for it.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             openOrWarn(folder);
                         }
                         done->deleteLater();
                     });
}

void DesktopPlatformServices::revealDirectory(const QString& path) {
    openOrWarn(QUrl::fromLocalFile(path));
}
