#include "system/DesktopPlatformServices.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QTest>

namespace {

// Stands in for the desktop's handler of file URLs.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// The file manager's D-Bus face, as a session's file manager exports it.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

const QString logFile = u"/var/log/vc/runtime.log"_qs;
const QUrl logFolder = QUrl::fromLocalFile(u"/var/log/vc"_qs);

} // namespace

class TestPlatformServices : public QObject {
    Q_OBJECT
private:
    UrlRecorder m_urls;

private Q_SLOTS:
    void initTestCase() { QDesktopServices::setUrlHandler(u"file"_qs, &m_urls, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"file"_qs); }
    void init() { m_urls.opened.clear(); }

    void revealFileWithoutABusOpensTheFolder() {
        DesktopPlatformServices(QDBusConnection(u"not connected"_qs)).revealFile(logFile);
        QCOMPARE(m_urls.opened, QList<QUrl>{logFolder});
    }

    // On a private session bus, so no real file manager is asked.
    void revealFileAsksTheFileManagerAndFallsBackToTheFolder() {
        QProcess bus;
        const auto stop = qScopeGuard([&] {
            bus.kill();
            bus.waitForFinished();
        });
        bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(bus.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        auto client = QDBusConnection::connectToBus(address, u"client"_qs);
        auto provider = QDBusConnection::connectToBus(address, u"file manager"_qs);
        QVERIFY(client.isConnected() && provider.isConnected());
        DesktopPlatformServices desktop(client);

        // Nobody owns the name yet: the call fails and the folder opens.
        desktop.revealFile(logFile);
        QTRY_COMPARE(m_urls.opened, QList<QUrl>{logFolder});

        FileManager fileManager;
        QVERIFY(provider.registerObject(u"/org/freedesktop/FileManager1"_qs, &fileManager,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(provider.registerService(u"org.freedesktop.FileManager1"_qs));
        desktop.revealFile(logFile);
        QTRY_COMPARE(fileManager.shown, QStringList{u"file:///var/log/vc/runtime.log"_qs});
        QCOMPARE(m_urls.opened.size(), 1);
    }
};

QTEST_MAIN(TestPlatformServices)
#include "tst_platformservices.moc"
