#include "UiScreenshots.h"

#include "ui/components/CompanionPalette.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace {

class CanvasFrame : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), CompanionPalette::canvas(palette()));
    }
};

} // namespace

QWidget* UiScreenshots::framed(QWidget* content) {
    auto* frame = new CanvasFrame;
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(content);
    return frame;
}

QPalette UiScreenshots::lightPalette() {
    return QApplication::style()->standardPalette();
}

QPalette UiScreenshots::darkPalette() {
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2d);
    const QColor base(0x1e, 0x1e, 0x1f);
    const QColor text(0xec, 0xec, 0xee);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Light, QColor(0x48, 0x48, 0x4a));
    dark.setColor(QPalette::Midlight, QColor(0x3a, 0x3a, 0x3c));
    dark.setColor(QPalette::Mid, QColor(0x2f, 0x2f, 0x31));
    dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x19));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, QColor(0x6e, 0x6e, 0x73));
    }
    return dark;
}

QStringList UiScreenshots::saveLightAndDark(QWidget& widget, const QString& name, QSize size) {
    const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_qs;
    QDir().mkpath(folder);
    QStringList written;
    for (const auto& [theme, palette] :
         {std::pair{u"dark"_qs, darkPalette()}, std::pair{u"light"_qs, lightPalette()}}) {
        QApplication::setPalette(palette);
        widget.resize(size);
        // Let palette changes and layouts settle before the picture.
        QTest::qWait(50);
        const QString file = folder + u'/' + name + u'-' + theme + u".png"_qs;
        if (widget.grab().save(file)) {
            written.append(file);
        }
    }
    return written;
}
