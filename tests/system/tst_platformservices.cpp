#include "system/DesktopPlatformServices.h"
#include "system/HeadlessPlatformServices.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

// Stands in for the desktop's handlers of a URL scheme.
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

} // namespace

class TestPlatformServices : public QObject {
    Q_OBJECT
private:
    QProcess m_bus;
    QString m_busAddress;
    UrlRecorder m_urls;

private Q_SLOTS:
    void initTestCase() {
        for (const char* scheme : {"https", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_urls, "open");
        }
        // A private session bus, so no real file manager is asked.
        m_bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        if (m_bus.waitForReadyRead(5000)) {
            m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
        }
    }
    void cleanupTestCase() {
        for (const char* scheme : {"https", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }
    void init() { m_urls.opened.clear(); }

    void headlessSaysWhatItWouldDo() {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> output(std::tmpfile(), &std::fclose);
        QVERIFY(output);
        HeadlessPlatformServices headless(output.get());
        headless.copyText(u"ABCD-1234"_qs);
        headless.openUrl(QUrl(u"https://example.invalid/pair?code=1"_qs));
        headless.revealFile(u"/var/log/runtime.log"_qs);
        headless.revealDirectory(u"/var/lib/vc"_qs);
        QCOMPARE(headless.copiedText(), u"ABCD-1234"_qs);

        std::rewind(output.get());
        QByteArray printed(4096, '\0');
        printed.truncate(static_cast<qsizetype>(std::fread(printed.data(), 1, printed.size(), output.get())));
        QCOMPARE(printed, QByteArray("Copied: ABCD-1234\nOpen: https://example.invalid/pair?code=1\n"
                                     "Reveal: /var/log/runtime.log\nReveal: /var/lib/vc\n"));
        QVERIFY(m_urls.opened.isEmpty());
    }

    void desktopUsesClipboardAndUrlHandlers() {
        DesktopPlatformServices desktop(QDBusConnection(u"not connected"_qs));
        desktop.copyText(u"ABCD-1234"_qs);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"ABCD-1234"_qs);

        const QUrl link(u"https://example.invalid/pair?code=1"_qs);
        desktop.openUrl(link);
        desktop.revealDirectory(u"/var/lib/vc"_qs);
        // Without a bus the file's folder is opened instead.
        desktop.revealFile(u"/var/log/vc/runtime.log"_qs);
        QCOMPARE(m_urls.opened, (QList<QUrl>{link, QUrl::fromLocalFile(u"/var/lib/vc"_qs),
                                             QUrl::fromLocalFile(u"/var/log/vc"_qs)}));
    }

    void revealFileAsksTheFileManagerAndFallsBackToTheFolder() {
        if (m_busAddress.isEmpty()) {
            QSKIP("no private D-Bus daemon");
        }
        auto client = QDBusConnection::connectToBus(m_busAddress, u"client"_qs);
        auto provider = QDBusConnection::connectToBus(m_busAddress, u"file manager"_qs);
        QVERIFY(client.isConnected() && provider.isConnected());
        DesktopPlatformServices desktop(client);

        // Nobody owns the name yet: the call fails and the folder opens.
        desktop.revealFile(u"/var/log/vc/runtime.log"_qs);
        QTRY_COMPARE(m_urls.opened, QList<QUrl>{QUrl::fromLocalFile(u"/var/log/vc"_qs)});

        FileManager fileManager;
        QVERIFY(provider.registerObject(u"/org/freedesktop/FileManager1"_qs, &fileManager,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(provider.registerService(u"org.freedesktop.FileManager1"_qs));
        desktop.revealFile(u"/var/log/vc/runtime.log"_qs);
        QTRY_COMPARE(fileManager.shown, QStringList{u"file:///var/log/vc/runtime.log"_qs});
        QCOMPARE(m_urls.opened.size(), 1);

        QDBusConnection::disconnectFromBus(u"client"_qs);
        QDBusConnection::disconnectFromBus(u"file manager"_qs);
    }
};

QTEST_MAIN(TestPlatformServices)
#include "tst_platformservices.moc"
