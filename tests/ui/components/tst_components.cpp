#include "UiTheme.h"
#include "ui/components/CompanionAdaptiveGridLayout.h"
#include "ui/components/CompanionIcons.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionPalette.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class ComponentsTest : public QObject {
    Q_OBJECT

    // The average colour of a symbol's drawn pixels.
    static QColor inkOf(const QString& path) {
        QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QSvgRenderer(path).render(&painter);
        painter.end();
        qint64 lightness = 0;
        qint64 drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 200) {
                    lightness += pixel.lightness();
                    ++drawn;
                }
            }
        }
        return drawn ? QColor::fromHsl(0, 0, int(lightness / drawn)) : QColor();
    }

private Q_SLOTS:
    void initTestCase() { UiTheme::useFusion(); }

    // Text in a status colour reads on cards of both themes; the tray's colour
    // is the vivid one.
    void tintsStayLegible_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<StatusTint>("tint");
        for (const bool dark : {false, true}) {
            for (const StatusTint tint : {StatusTint::Green, StatusTint::Orange, StatusTint::Yellow,
                                          StatusTint::Red, StatusTint::Blue, StatusTint::Secondary}) {
                QTest::addRow("%s %d", dark ? "dark" : "light", int(tint)) << dark << tint;
            }
        }
    }
    void tintsStayLegible() {
        QFETCH(bool, dark);
        QFETCH(StatusTint, tint);
        const QPalette palette = dark ? UiTheme::dark() : UiTheme::light();
        const QColor card = CompanionPalette::card(palette);
        QVERIFY(CompanionPalette::contrast(CompanionPalette::tintedText(tint, palette, card), card) >= 4.5);
        QCOMPARE(CompanionPalette::isDark(palette), dark);
    }

    // Every symbol exists in both variants, the dark one drawn in light ink.
    void symbolsComeInBothVariants() {
        const QStringList symbols = CompanionIcons::symbols();
        QVERIFY(symbols.contains(u"checkmark.seal"_qs) && symbols.contains(u"xmark"_qs));
        for (const QString& symbol : symbols) {
            const QColor light = inkOf(CompanionIcons::path(symbol, false));
            const QColor dark = inkOf(CompanionIcons::path(symbol, true));
            QVERIFY2(light.isValid() && dark.isValid(), qPrintable(symbol));
            QVERIFY2(dark.lightness() >= light.lightness(), qPrintable(symbol));
            QVERIFY(!CompanionIcons::icon(symbol, UiTheme::dark()).isNull());
        }
        QVERIFY(CompanionIcons::icon(u"no.such.symbol"_qs, UiTheme::light()).isNull());
    }

    void gridColumnsFollowTheWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::newRow("three fit") << 3 * 188 + 2 * 12 << 3;
        QTest::newRow("one pixel short of three") << 3 * 188 + 2 * 12 - 1 << 2;
        QTest::newRow("two") << 400 << 2;
        QTest::newRow("one") << 300 << 1;
        QTest::newRow("narrower than a column") << 100 << 1;
        QTest::newRow("wide: no more than the items") << 2000 << 3;
    }
    void gridColumnsFollowTheWidth() {
        QFETCH(int, width);
        QWidget host;
        auto* grid = new CompanionAdaptiveGridLayout(188, &host);
        for (int i = 0; i < 3; ++i) {
            grid->addWidget(new QWidget);
        }
        QTEST(grid->columnsForWidth(width), "columns");
    }

    // A word longer than the line wraps instead of widening the window.
    void longWordsWrap() {
        CompanionLabel label(QString(200, u'W'), CompanionTextStyle::Body);
        QVERIFY(label.minimumSizeHint().width() < 100);
        const int oneLine = label.fontMetrics().height();
        QVERIFY(label.heightForWidth(200) >= 5 * oneLine);
        label.setSingleLine(true);
        QCOMPARE(label.heightForWidth(200), label.sizeHint().height());
    }
};

QTEST_MAIN(ComponentsTest)
#include "tst_components.moc"
