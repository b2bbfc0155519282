#include "UiTheme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

void UiTheme::useFusion() {
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_qs));
    QApplication::setPalette(light());
}

QPalette UiTheme::light() {
    return QApplication::style()->standardPalette();
}

QPalette UiTheme::dark() {
    using P = QPalette;
    // Each role with the colour at the same place in the list below it.
    const P::ColorRole roles[] = {
        P::Window,      P::WindowText, P::Base,      P::AlternateBase,   P::Text,
        P::Button,      P::ButtonText, P::Light,     P::Midlight,        P::Mid,
        P::Dark,        P::Shadow,     P::Highlight, P::HighlightedText, P::PlaceholderText,
        P::ToolTipBase, P::ToolTipText};
    const QRgb colours[] = {0x2c2c2e, 0xf2f2f7, 0x1c1c1e, 0x323235, 0xf2f2f7, 0x3a3a3c,
                            0xf2f2f7, 0x4a4a4d, 0x404043, 0x2a2a2c, 0x1a1a1b, 0x000000,
                            0x0a84ff, 0xffffff, 0x8e8e93, 0x3a3a3c, 0xf2f2f7};
    static_assert(std::size(roles) == std::size(colours));
    QPalette palette;
    for (std::size_t i = 0; i < std::size(roles); ++i) {
        palette.setColor(roles[i], QColor::fromRgb(colours[i]));
    }
    for (const auto role : {P::WindowText, P::Text, P::ButtonText}) {
        palette.setColor(P::Disabled, role, QColor(0x6e, 0x6e, 0x73));
    }
    return palette;
}

QScopeGuard<void (*)()> UiTheme::use(const QString& theme) {
    QApplication::setPalette(theme == u"dark" ? dark() : light());
    return qScopeGuard(+[] { QApplication::setPalette(light()); });
}

void UiTheme::addThemeRows() {
    QTest::addColumn<QString>("theme");
    for (const char* theme : {"light", "dark"}) {
        QTest::newRow(theme) << QString::fromLatin1(theme);
    }
}

QString UiTheme::screenshotFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + u"/screenshots"_qs;
    QDir().mkpath(folder);
    return folder;
}

bool UiTheme::save(QWidget& widget, const QString& name) {
    return widget.grab().save(screenshotFolder() + u'/' + name + u".png"_qs);
}

int UiTheme::saveLightAndDark(QWidget& widget, const QString& name, QSize size) {
    int written = 0;
    for (const QString& theme : {u"dark"_qs, u"light"_qs}) {
        const auto restore = use(theme);
        widget.resize(size);
        // Let palette changes, layouts and the step fade settle before the picture.
        QTest::qWait(450);
        written += save(widget, name + u'-' + theme) ? 1 : 0;
    }
    return written;
}

QString UiTheme::spokenName(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return widget->accessibleName().isEmpty() && button ? button->text() : widget->accessibleName();
}
