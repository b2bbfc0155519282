#include "ctl/TerminalQRCode.h"

#include <QTest>

// What a scanner looks for: a light quiet zone of two modules, the three finder
// patterns and the timing rows, drawn with half blocks two module rows a line.
class TerminalQRCodeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printsAScannableSymbol_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minimumSize"); // modules across, quiet zone included
        QTest::newRow("pairing link")
            << u"https://vendrilo.app/connect/pair?code=K7QM-3XRP&source=desktop"_qs << 25;
        QTest::newRow("one character") << u"A"_qs << 25;
        QTest::newRow("non-ASCII") << u"Pairing für Jürgen’s box"_qs << 25;
        QTest::newRow("long link") << QString(600, u'x') << 61; // a version of 10 cannot hold it
    }
    void printsAScannableSymbol() {
        QFETCH(QString, text);
        QFETCH(int, minimumSize);
        const QStringList lines = TerminalQRCode::lines(text);
        const int size = int(lines.value(0).size());
        QVERIFY2(size >= minimumSize && (size - 4 - 17) % 4 == 0, qPrintable(QString::number(size)));
        QCOMPARE(lines.size(), (size + 1) / 2); // the last line's lower half is light padding
        QList<QList<bool>> dark(size + 1);
        for (int line = 0; line < lines.size(); ++line) {
            QCOMPARE(lines[line].size(), size);
            for (const QChar cell : lines[line]) { // only half blocks and spaces
                QVERIFY(QStringView(u" ▀▄█").contains(cell));
                dark[2 * line].append(cell == u'█' || cell == u'▀');
                dark[2 * line + 1].append(cell == u'█' || cell == u'▄');
            }
        }
        for (int row = 0; row <= size; ++row) {
            for (int column = 0; column < size; ++column) {
                const bool quiet = row < 2 || row >= size - 2 || column < 2 || column >= size - 2;
                QVERIFY2(!quiet || !dark[row][column], qPrintable(u"%1,%2"_qs.arg(column).arg(row)));
            }
        }
        // Finder patterns with their light separators, at three corners.
        for (const auto& [left, top] : {std::pair{2, 2}, {size - 9, 2}, {2, size - 9}}) {
            for (int y = -1; y <= 7; ++y) {
                for (int x = -1; x <= 7; ++x) {
                    const int ring = std::max(std::abs(x - 3), std::abs(y - 3));
                    QCOMPARE(dark[top + y][left + x], ring != 2 && ring != 4);
                }
            }
        }
        // Timing rows between them alternate, starting dark.
        for (int i = 8; i < size - 4 - 8; ++i) {
            QCOMPARE(std::pair(dark[2 + 6][2 + i], dark[2 + i][2 + 6]), std::pair(i % 2 == 0, i % 2 == 0));
        }
    }

    void colouredLinesAreBlackOnWhite() {
        const QString text = u"https://vendrilo.app/connect/pair?code=K7QM-3XRP"_qs;
        const QStringList plain = TerminalQRCode::lines(text);
        QCOMPARE(TerminalQRCode::render(text, true),
                 u"\x1b[30;47m"_qs + plain.join(u"\x1b[0m\n\x1b[30;47m"_qs) + u"\x1b[0m\n"_qs);
        QCOMPARE(TerminalQRCode::render(text, false), plain.join(u'\n') + u'\n');
        QCOMPARE(TerminalQRCode::render(u"   "_qs, true), QString());
    }
};

QTEST_GUILESS_MAIN(TerminalQRCodeTest)
#include "tst_terminalqrcode.moc"
