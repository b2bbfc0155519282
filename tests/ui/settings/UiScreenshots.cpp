#include "UiScreenshots.h"

#include "DashboardFixture.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

int UiScreenshots::saveLightAndDark(QWidget& widget, const QString& name, QSize size) {
    int written = 0;
    for (const auto& [theme, palette] : {std::pair{u"dark"_qs, DashboardFixture::darkPalette()},
                                         std::pair{u"light"_qs, DashboardFixture::lightPalette()}}) {
        QApplication::setPalette(palette);
        widget.resize(size);
        // Let palette changes, layouts and the step fade settle before the picture.
        QTest::qWait(450);
        if (widget.grab().save(DashboardFixture::screenshotFolder() + u'/' + name + u'-' + theme +
                               u".png"_qs)) {
            ++written;
        }
    }
    return written;
}
