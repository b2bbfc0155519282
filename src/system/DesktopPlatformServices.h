#pragma once

#include "system/PlatformServices.h"

#include <QDBusConnection>

// The desktop session's clipboard, browser and file manager. Needs a
// QGuiApplication. Files are shown selected through the file manager's D-Bus
// interface where one answers, otherwise their folder is opened.
class DesktopPlatformServices : public PlatformServices {
public:
    explicit DesktopPlatformServices(QDBusConnection bus = QDBusConnection::sessionBus());

    void copyText(const QString& text) override;
    void openUrl(const QUrl& url) override;
    void revealFile(const QString& path) override;
    void revealDirectory(const QString& path) override;

private:
    QDBusConnection m_bus;
};
