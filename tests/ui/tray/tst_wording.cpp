#include "MenuRows.h"
#include "ui/tray/PlatformWording.h"
#include "ui/tray/StatusItemMenu.h"
#include "ui/tray/wording/WordingRules.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>

class WordingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rulesReplaceWholeWordsOnce_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("untouched") << u"Reveal Logs"_qs << u"Reveal Logs"_qs;
        QTest::newRow("the longer phrase first")
            << u"This Mac companion is up to date."_qs << u"The companion on this computer is up to date."_qs;
        QTest::newRow("several in one text")
            << u"Pair this Mac, then press Cmd+Q to leave it in the menu bar."_qs
            << u"Pair this computer, then press Ctrl+Q to leave it in the system tray."_qs;
        QTest::newRow("modifier pair") << u"Option+Cmd+Q"_qs << u"Ctrl+Alt+Q"_qs;
        QTest::newRow("not inside a longer word")
            << u"Macintosh, Finderly, Docking"_qs << u"Macintosh, Finderly, Docking"_qs;
        QTest::newRow("menu titles") << u"Keep Running in Menu Bar"_qs << u"Keep Running in Tray"_qs;
        QTest::newRow("file manager")
            << u"Opens the folder in Finder."_qs << u"Opens the folder in the file manager."_qs;
    }
    void rulesReplaceWholeWordsOnce() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFile file(QStringLiteral(VC_WORDING_RULES));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto rules = WordingRules::parse(QString::fromUtf8(file.readAll()));
        QVERIFY(rules);
        QCOMPARE(rules->apply(text), expected);
    }

    void aLineWithoutArrowIsRejected() {
        QString error;
        QVERIFY(
            !WordingRules::parse(u"# fine\nthis Mac => this computer\nFinder the file manager\n"_qs, &error));
        QCOMPARE(error, u"Finder the file manager"_qs);
    }

    // Last: the catalogue stays installed for the rest of the process.
    void theCatalogueShowsLinuxWordsInTheTrayMenu() {
        StatusItemMenuState state;
        state.quickStatusTitle = u"Online"_qs;
        QMenu menu;
        StatusItemMenu::rebuild(menu, state, {});
        QVERIFY(menuRows(menu).contains(u"[x] Keep Running in Menu Bar"_qs));

        QVERIFY(installPlatformWording(*qApp));
        StatusItemMenu::rebuild(menu, state, {});
        const QStringList rows = menuRows(menu);
        QVERIFY2(rows.contains(u"[x] Keep Running in Tray"_qs), qPrintable(rows.join(u'\n')));
        QVERIFY(rows.contains(u"Quit Completely"_qs));
        QVERIFY(rows.contains(u"Open Settings…"_qs));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    WordingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wording.moc"
