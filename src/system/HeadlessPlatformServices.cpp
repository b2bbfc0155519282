#include "system/HeadlessPlatformServices.h"

HeadlessPlatformServices::HeadlessPlatformServices(std::FILE* output) : m_output(output) {}

void HeadlessPlatformServices::copyText(const QString& text) {
    m_copiedText = text;
    say(u"Copied: " + text);
}

void HeadlessPlatformServices::openUrl(const QUrl& url) {
    say(u"Open: " + url.toString());
}

void HeadlessPlatformServices::revealFile(const QString& path) {
    say(u"Reveal: " + path);
}

void HeadlessPlatformServices::revealDirectory(const QString& path) {
    say(u"Reveal: " + path);
}

void HeadlessPlatformServices::say(const QString& line) {
    std::fputs(qUtf8Printable(line + u'\n'), m_output);
    std::fflush(m_output);
}
