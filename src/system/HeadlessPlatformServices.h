#pragma once

#include "system/PlatformServices.h"

#include <cstdio>

// Without a display: says on standard output what a desktop would have done,
// so a person running headless can follow it, and keeps the copied text.
class HeadlessPlatformServices : public PlatformServices {
public:
    explicit HeadlessPlatformServices(std::FILE* output = stdout);

    void copyText(const QString& text) override;
    void openUrl(const QUrl& url) override;
    void revealFile(const QString& path) override;
    void revealDirectory(const QString& path) override;

    // The last text copied, empty before the first copy.
    const QString& copiedText() const noexcept { return m_copiedText; }

private:
    void say(const QString& line);

    std::FILE* m_output;
    QString m_copiedText;
};
