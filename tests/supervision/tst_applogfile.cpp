#include "common/FileText.h"
#include "common/LogCategories.h"
#include "common/LogRotation.h"
#include "supervision/AppLogFile.h"

#include <QTemporaryDir>
#include <QTest>

class TestAppLogFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { AppLogFile::uninstall(); }

    // Lines carry the level and category; past the limit one previous file is kept.
    void messagesAreAppendedAndRotated() {
        QTemporaryDir home;
        const QString path = home.filePath("Logs/vendrilo-connect.log");
        QVERIFY(AppLogFile::install(path, 300));
        qCWarning(lcUpdate) << "first check failed";
        QVERIFY(QRegularExpression(
                    "^\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z warning vendrilo.update: first check failed\n$")
                    .match(QString::fromUtf8(readFile(path)))
                    .hasMatch());
        for (int i = 0; i < 20; ++i) {
            qCWarning(lcModel) << "message" << i;
        }
        const QByteArray current = readFile(path), previous = readFile(previousLogPath(path));
        QVERIFY(current.size() <= 300 && previous.size() > 300);
        QVERIFY(current.endsWith("vendrilo.model: message 19\n"));
        QVERIFY(!previous.contains("first check failed") && previous.contains("message 1"));
        QCOMPARE(QDir(home.filePath("Logs")).entryList(QDir::Files).size(), 2);

        // A later start appends to a file within the limit.
        AppLogFile::uninstall();
        QVERIFY(AppLogFile::install(path, 300));
        qCInfo(lcUi) << "again";
        QVERIFY(readFile(path).startsWith(current));
        QVERIFY(readFile(path).endsWith("info vendrilo.ui: again\n"));
    }
};

QTEST_GUILESS_MAIN(TestAppLogFile)
#include "tst_applogfile.moc"
