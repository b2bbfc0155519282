#include "ctl/TerminalQRCode.h"

#include <QTest>
#include <qrencode.h>

#include <memory>

// The printed half blocks, read back into modules, are the code libqrencode
// makes for the text at level M, inside a light quiet zone of two modules.
class TerminalQRCodeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printsTheModulesOfTheCode_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("pairing link")
            << u"https://vendrilo.app/connect/pair?code=K7QM-3XRP&source=desktop"_qs;
        QTest::newRow("one character") << u"A"_qs;
        QTest::newRow("non-ASCII") << u"Pairing für Jürgen’s box"_qs;
        QTest::newRow("long link") << QString(600, u'x');
    }
    void printsTheModulesOfTheCode() {
        QFETCH(QString, text);
        const QByteArray bytes = text.toUtf8();
        const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
            QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
                              QR_ECLEVEL_M),
            &QRcode_free);
        QVERIFY(code);
        const int quiet = 2;
        const int size = code->width + 2 * quiet;
        const auto expectedDark = [&](int column, int row) {
            column -= quiet;
            row -= quiet;
            return column >= 0 && row >= 0 && column < code->width && row < code->width &&
                   (code->data[row * code->width + column] & 1);
        };

        const QStringList lines = TerminalQRCode::lines(text);
        QCOMPARE(lines.size(), (size + 1) / 2);
        for (int line = 0; line < lines.size(); ++line) {
            QCOMPARE(lines[line].size(), size);
            for (int column = 0; column < size; ++column) {
                const QChar cell = lines[line][column];
                const bool upper = cell == QChar(0x2588) || cell == QChar(0x2580);
                const bool lower = cell == QChar(0x2588) || cell == QChar(0x2584);
                QVERIFY2(upper || lower || cell == u' ', "only half blocks and spaces");
                QCOMPARE(std::pair(upper, lower),
                         std::pair(expectedDark(column, 2 * line), expectedDark(column, 2 * line + 1)));
            }
        }
    }

    void colouredLinesAreBlackOnWhite() {
        const QString text = u"https://vendrilo.app/connect/pair?code=K7QM-3XRP"_qs;
        const QStringList plain = TerminalQRCode::lines(text);
        QStringList expected;
        for (const QString& line : plain) {
            expected << u"\x1b[30;47m"_qs + line + u"\x1b[0m"_qs;
        }
        QCOMPARE(TerminalQRCode::render(text, true), expected.join(u'\n') + u'\n');
        QCOMPARE(TerminalQRCode::render(text, false), plain.join(u'\n') + u'\n');
        QCOMPARE(TerminalQRCode::render(u"   "_qs, true), QString());
    }
};

QTEST_GUILESS_MAIN(TerminalQRCodeTest)
#include "tst_terminalqrcode.moc"
