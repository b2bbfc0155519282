#pragma once

#include <QString>
#include <QUrl>

// The desktop facilities the model reaches for: clipboard, browser, file
// manager. Behind one seam so the GUI-free core and headless mode run without
// a display and tests can observe what was asked for.
class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    virtual void copyText(const QString& text) = 0;
    virtual void openUrl(const QUrl& url) = 0;
    // Shows the file selected in the file manager.
    virtual void revealFile(const QString& path) = 0;
    // Opens the folder itself in the file manager.
    virtual void revealDirectory(const QString& path) = 0;

protected:
    PlatformServices() = default;
    PlatformServices(const PlatformServices&) = default;
    PlatformServices& operator=(const PlatformServices&) = default;
};
