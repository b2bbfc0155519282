#include "RawHttpServer.h"
#include "TaskFailure.h"
#include "update/CompanionUpdateInstaller.h"

#include <QCryptographicHash>
#include <QtTest>
#include <sys/stat.h>

using namespace std::chrono_literals;
using Reply = RawHttpServer::Reply;
Q_DECLARE_METATYPE(Reply)

namespace {

const QString downloadFailed = QStringLiteral("The update download could not be completed.");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class UpdateDownloadTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadsTheImage_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("sha256");
        QTest::addColumn<QString>("expectedFailure");
        const QByteArray image(300000, 'i');
        const QString digest =
            QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex());
        QTest::newRow("200") << Reply::answer(200, image) << ""
                             << "";
        QTest::newRow("204 is a success too") << Reply::answer(204, {}) << ""
                                              << "";
        QTest::newRow("matching digest, any case")
            << Reply::answer(200, image) << " " + digest.toUpper() << "";
        QTest::newRow("digest mismatch") << Reply::answer(200, image + "x") << digest << downloadFailed;
        QTest::newRow("malformed digest") << Reply::answer(200, image) << "abc" << downloadFailed;
        QTest::newRow("404") << Reply::answer(404, image) << "" << downloadFailed;
        QTest::newRow("redirect to another scheme")
            << Reply::bytes(
                   "HTTP/1.1 302 Found\r\nLocation: ftp://127.0.0.1:9/a.dmg\r\nContent-Length: 0\r\n\r\n")
            << "" << downloadFailed;
        QTest::newRow("silence") << Reply::silence() << ""
                                 << "The request timed out.";
    }
    void downloadsTheImage() {
        QFETCH(Reply, reply);
        QFETCH(QString, sha256);
        QFETCH(QString, expectedFailure);
        RawHttpServer server;
        server.setResponder([reply](const RawHttpServer::Request&) { return reply; });
        QTemporaryDir folder;
        const QString destination = folder.filePath(QStringLiteral("VendriloConnect-1.4.0.dmg"));
        QFile stale(destination);
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("stale") == 5);
        stale.close();

        CompanionUpdateInstaller installer(150ms);
        QUrl url = server.baseURL();
        url.setPath(QStringLiteral("/a.dmg"));
        QCOMPARE(failureOf(installer.downloadDiskImage(url, destination, sha256)), expectedFailure);

        // Success leaves exactly the image; failure leaves nothing, not even the stale file.
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        if (expectedFailure.isEmpty()) {
            QCOMPARE(left, QStringList{QStringLiteral("VendriloConnect-1.4.0.dmg")});
            QCOMPARE(readAll(destination), reply.body);
        } else {
            QCOMPARE(left, QStringList());
        }
    }

    void acceptsOnlyHttpsOrLoopback_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("https") << "https://downloads.test/a.dmg" << true;
        QTest::newRow("http to 127.0.0.1") << "http://127.0.0.1:8080/a.dmg" << true;
        QTest::newRow("http to 127.1.2.3") << "http://127.1.2.3/a.dmg" << true;
        QTest::newRow("http to ::1") << "http://[::1]:8080/a.dmg" << true;
        QTest::newRow("http to localhost") << "http://LOCALHOST/a.dmg" << true;
        QTest::newRow("http elsewhere") << "http://downloads.test/a.dmg" << false;
        QTest::newRow("name that starts like loopback") << "http://127.0.0.1.downloads.test/a.dmg" << false;
        QTest::newRow("unspecified address") << "http://0.0.0.0/a.dmg" << false;
        QTest::newRow("file") << "file:///etc/hostname" << false;
        QTest::newRow("ftp") << "ftp://127.0.0.1/a.dmg" << false;
        QTest::newRow("empty") << "" << false;
    }
    void acceptsOnlyHttpsOrLoopback() {
        QFETCH(QString, url);
        QTEST(CompanionUpdateInstaller::isAcceptableDownloadURL(QUrl(url)), "accepted");
    }

    void refusedAddressFetchesNothing() {
        QTemporaryDir folder;
        CompanionUpdateInstaller installer;
        const QString destination = folder.filePath(QStringLiteral("image.dmg"));
        QCOMPARE(
            failureOf(installer.downloadDiskImage(QUrl(QStringLiteral("file:///etc/hostname")), destination)),
            downloadFailed);
        QVERIFY(!QFile::exists(destination));
    }

    // The body arrives one byte per 10 ms: what was received must already be on
    // disk, and an interrupted download leaves nothing behind.
    void streamsToDiskAndCleansUpWhenInterrupted() {
        RawHttpServer server;
        server.setResponder([](const RawHttpServer::Request&) { return Reply::trickle(); });
        QTemporaryDir folder;
        const QString destination = folder.filePath(QStringLiteral("image.dmg"));
        auto* installer = new CompanionUpdateInstaller();
        QCoro::Task<> download = installer->downloadDiskImage(server.baseURL(), destination);
        // The unfinished image is an unnamed file in the destination folder: find it among our descriptors.
        const auto partialSize = [&] {
            const QDir descriptors(QStringLiteral("/proc/self/fd"));
            for (const QFileInfo& fd : descriptors.entryInfoList(QDir::Files | QDir::System)) {
                if (fd.symLinkTarget().startsWith(folder.path() + u'/')) {
                    struct stat info {};
                    return ::stat(qPrintable(fd.filePath()), &info) == 0 ? qint64(info.st_size) : -1;
                }
            }
            return qint64(-1);
        };
        QTRY_VERIFY_WITH_TIMEOUT(partialSize() >= 5, 3000);
        QVERIFY(!QFile::exists(destination));
        delete installer;
        QVERIFY(!failureOf(std::move(download)).isEmpty());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(UpdateDownloadTest)
#include "tst_updatedownload.moc"
