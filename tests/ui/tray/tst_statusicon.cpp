#include "ui/tray/StatusIconEngine.h"
#include "ui/tray/StatusIconPainter.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

const QColor statusGreen(52, 199, 89);
const QColor badgeRed(255, 59, 48);
const QColor logoColor(20, 40, 200);

// Canvas points (y down) of sample spots: the dot's centre, the same spot
// mirrored to the left, just above the dot, the badge's upper interior clear of
// its arrow, and the arrow's shaft.
const QPointF dotCentre(14.2, 14.0);
const QPointF dotMirror(3.8, 14.0);
const QPointF aboveDot(14.2, 11.0);
const QPointF badgeInterior(3.625, 11.6);
const QPointF arrowShaft(3.625, 14.2);

QColor pixelAt(const QImage& image, QPointF point) {
    const qreal scale = image.width() / StatusIconPainter::canvasSize;
    return image.pixelColor(int(point.x() * scale), int(point.y() * scale));
}

bool near(const QColor& actual, const QColor& expected) {
    const auto close = [](int a, int b) { return std::abs(a - b) <= 8; };
    return close(actual.red(), expected.red()) && close(actual.green(), expected.green()) &&
           close(actual.blue(), expected.blue()) && close(actual.alpha(), expected.alpha());
}

QImage logoWithVisibleBlock(QSize size, QRect block, qreal ratio = 1.0) {
    QImage logo(size, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    QPainter(&logo).fillRect(block, logoColor);
    logo.setDevicePixelRatio(ratio);
    return logo;
}

} // namespace

class StatusIconTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trimmingKeepsTwoPointsAroundTheVisiblePixels_data() {
        QTest::addColumn<QImage>("logo");
        QTest::addColumn<QRect>("expected");
        QImage transparent(20, 20, QImage::Format_ARGB32);
        transparent.fill(Qt::transparent);
        QTest::newRow("fully transparent: uncropped") << transparent << QRect(0, 0, 20, 20);
        QTest::newRow("inner block") << logoWithVisibleBlock({20, 20}, {6, 6, 4, 4}) << QRect(4, 4, 8, 8);
        QTest::newRow("block at the top left edge")
            << logoWithVisibleBlock({20, 20}, {0, 0, 3, 3}) << QRect(0, 0, 7, 7);
        QTest::newRow("block at the bottom right edge")
            << logoWithVisibleBlock({20, 20}, {17, 17, 3, 3}) << QRect(15, 15, 5, 5);
        QTest::newRow("wide block") << logoWithVisibleBlock({30, 20}, {5, 8, 20, 2}) << QRect(3, 6, 24, 6);
        QTest::newRow("double density: margin of four pixels")
            << logoWithVisibleBlock({40, 40}, {12, 12, 8, 8}, 2.0) << QRect(8, 8, 16, 16);
        QImage opaque(10, 10, QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QTest::newRow("no alpha channel: all visible") << opaque << QRect(0, 0, 10, 10);
    }
    void trimmingKeepsTwoPointsAroundTheVisiblePixels() {
        QFETCH(QImage, logo);
        QTEST(StatusIconPainter::trimmedLogoRect(logo), "expected");
    }

    void trimmedLogoFillsTheLogoSquare() {
        // Visible 6..10 of 20: trimmed to 4..12, so the eight logo pixels span
        // the 15.8-point square from 1.1. Sampled at logo pixel centres, which
        // smoothing leaves alone: the first and last visible ones, and the
        // transparent margin pixels outside them.
        const QImage logo = logoWithVisibleBlock({20, 20}, {6, 6, 4, 4});
        const QImage icon = StatusIconPainter::render({72, 72}, logo, {.status = statusGreen, .badge = {}});
        const auto centreOf = [](int pixel) { return 1.1 + 15.8 * (pixel + 0.5) / 8; };
        QVERIFY(near(pixelAt(icon, {centreOf(2), centreOf(2)}), logoColor));
        QVERIFY(near(pixelAt(icon, {centreOf(5), centreOf(2)}), logoColor));
        QCOMPARE(pixelAt(icon, {centreOf(0), centreOf(2)}).alpha(), 0);
        QCOMPARE(pixelAt(icon, {centreOf(7), centreOf(2)}).alpha(), 0);
    }

    void dotAndBadgeAtEverySize_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QColor>("badge");
        for (const int size : {16, 22, 24, 32, 48, 64}) {
            for (const qreal scale : {1.0, 2.0}) {
                QTest::addRow("%d px @%gx, badge", size, scale) << size << scale << badgeRed;
                QTest::addRow("%d px @%gx, no badge", size, scale) << size << scale << QColor();
            }
        }
    }
    void dotAndBadgeAtEverySize() {
        QFETCH(int, size);
        QFETCH(qreal, scale);
        QFETCH(QColor, badge);
        // No logo, so everything outside the dot and the badge stays transparent.
        const QIcon icon(new StatusIconEngine(nullptr, {.status = statusGreen, .badge = badge}));
        const QImage image = icon.pixmap(QSize(size, size), scale).toImage();
        QCOMPARE(image.size(), QSize(size, size) * scale);

        QVERIFY(near(pixelAt(image, dotCentre), statusGreen));
        QCOMPARE(pixelAt(image, aboveDot).alpha(), 0);
        if (badge.isValid()) {
            QVERIFY(near(pixelAt(image, badgeInterior), badge));
            // The one-point arrow is a solid white pixel once a point is two pixels.
            if (size * scale >= 36) {
                QVERIFY(near(pixelAt(image, arrowShaft), Qt::white));
            }
        } else {
            QCOMPARE(pixelAt(image, dotMirror).alpha(), 0);
            QCOMPARE(pixelAt(image, badgeInterior).alpha(), 0);
        }
    }

    void aPanelSlotOfAnotherShapeKeepsTheIconSquare() {
        // 16 × 32: the canvas is the 16-pixel square in the middle.
        const QImage image = StatusIconPainter::render({16, 32}, {}, {.status = statusGreen, .badge = {}});
        const qreal unit = 16 / StatusIconPainter::canvasSize;
        QVERIFY(
            near(image.pixelColor(int(dotCentre.x() * unit), 8 + int(dotCentre.y() * unit)), statusGreen));
        QCOMPARE(image.pixelColor(int(dotCentre.x() * unit), int(dotCentre.y() * unit)).alpha(), 0);
    }

    void theShippedLogoShowsBetweenDotAndBadge() {
        Q_INIT_RESOURCE(tray);
        QIcon icon(new StatusIconEngine(std::make_shared<QSvgRenderer>(u":/vendrilo/MenuBarLogoAlone.svg"_qs),
                                        {.status = statusGreen, .badge = badgeRed}));
        const QImage image = icon.pixmap(QSize(64, 64)).toImage();
        // The disc's centre is covered by neither.
        QCOMPARE(pixelAt(image, {9.0, 4.0}).alpha(), 255);
        QVERIFY(near(pixelAt(image, dotCentre), statusGreen));
        QVERIFY(near(pixelAt(image, badgeInterior), badgeRed));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    StatusIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statusicon.moc"
