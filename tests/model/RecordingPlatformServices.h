#pragma once

#include "system/PlatformServices.h"

#include <QStringList>
#include <QUrl>

// Keeps what the model asked the desktop to do.
class RecordingPlatformServices : public PlatformServices {
public:
    void copyText(const QString& text) override { copied.append(text); }
    void openUrl(const QUrl& url) override { opened.append(url); }
    void revealFile(const QString& path) override { revealed.append(path); }
    void revealDirectory(const QString& path) override { revealed.append(path); }

    QStringList copied;
    QList<QUrl> opened;
    QStringList revealed;
};
