#include "ModelHarness.h"
#include "supervision/CompanionPaths.h"
#include "system/NotificationPreferences.h"
#include "ui/notifications/CompanionNotifier.h"
#include "ui/notifications/DesktopNotifications.h"
#include "ui/notifications/NotificationSettingsCard.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString serverPath = u"/org/freedesktop/Notifications"_qs;
const QString serverName = u"org.freedesktop.Notifications"_qs;

// A release feed offering the version for this platform.
QByteArray manifest(const QString& version) {
    return uR"({"schema_version":1,"stable":{"version":"%1","platforms":{"%2":{}}}})"_qs
        .arg(version, CompanionPaths::platformName())
        .toUtf8();
}

} // namespace

// The desktop's notification server, as far as the app uses it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
    uint lastId = 0;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        return ++lastId;
    }
    QStringList GetCapabilities() { return {u"actions"_qs, u"body"_qs}; }
};

class NotificationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        ModelHarness::isolateUserFolders();
        QVERIFY(m_serverBus.isConnected());
        QVERIFY(m_serverBus.registerObject(serverPath, &m_server, QDBusConnection::ExportAllSlots));
        QVERIFY(m_serverBus.registerService(serverName));
    }
    void init() { m_server.summaries.clear(); }

    // Every event once, with its kind on and off; a click opens its window.
    void eachEventNotifiesOnce_data() {
        QTest::addColumn<QString>("event");
        QTest::addColumn<NotificationKind>("kind");
        QTest::addColumn<QStringList>("summaries");
        QTest::addColumn<bool>("opensSettings");
        const auto rows = [](const char* event, NotificationKind kind, QStringList summaries,
                             bool opensSettings) {
            QTest::addRow("%s", event) << QString::fromLatin1(event) << kind << summaries << opensSettings;
            QTest::addRow("%s, turned off", event)
                << QString::fromLatin1(event) << kind << QStringList{} << opensSettings;
        };
        rows("pairing approved", NotificationKind::PairingApproved, {u"Pairing approved"_qs}, false);
        rows("pairing expired", NotificationKind::PairingExpired, {u"Pairing code expired"_qs}, false);
        // Cancelled before its expiry: no kind would tell it.
        QTest::addRow("pairing cancelled")
            << u"pairing cancelled"_qs << NotificationKind::PairingExpired << QStringList{} << false;
        rows("runtime stopped twice, recovered in between", NotificationKind::RuntimeStoppedAnswering,
             {u"Companion runtime stopped answering"_qs, u"Companion runtime stopped answering"_qs}, false);
        rows("two versions, each seen twice", NotificationKind::UpdateAvailable,
             {u"Update available"_qs, u"Update available"_qs}, true);
        rows("update download failed", NotificationKind::UpdateResult, {u"Update failed"_qs}, true);
        rows("update installed before this launch", NotificationKind::UpdateResult, {u"Update installed"_qs},
             true);
    }
    void eachEventNotifiesOnce() {
        QFETCH(QString, event);
        QFETCH(NotificationKind, kind);
        QFETCH(QStringList, summaries);
        QFETCH(bool, opensSettings);
        const bool turnedOff = QString::fromLatin1(QTest::currentDataTag()).endsWith(u"turned off"_qs);

        ModelHarness harness({.setupCompleted = true});
        harness.server.setAnswer(u"/connect/releases/companion.json"_qs, {404, {}, {}});
        const std::unique_ptr<NotificationPreferences> preferences =
            NotificationPreferences::inFile(harness.folder.filePath(u"notifications.ini"_qs));
        preferences->setEnabled(kind, !turnedOff);
        if (event == u"update installed before this launch") {
            QVERIFY(QDir().mkpath(CompanionPaths::updatesDirectory()));
            QFile result(CompanionPaths::updateResultFile());
            QVERIFY(result.open(QIODevice::WriteOnly));
            result.write("success\t1.4.0\t\n");
        }
        DesktopNotifications notifications;
        CompanionNotifier notifier(*harness.model, *preferences, notifications);
        QSignalSpy dashboard(&notifier, &CompanionNotifier::openDashboardRequested);
        QSignalSpy settings(&notifier, &CompanionNotifier::openSettingsRequested);

        drive(event, harness);

        QTRY_COMPARE(m_server.summaries, summaries);
        // Nothing more arrives later.
        QTest::qWait(100);
        QVERIFY2(m_server.summaries == summaries, qPrintable(m_server.summaries.join(u", "_qs)));
        if (!summaries.isEmpty()) {
            QDBusMessage click = QDBusMessage::createSignal(serverPath, serverName, u"ActionInvoked"_qs);
            click << m_server.lastId << u"default"_qs;
            QVERIFY(m_serverBus.send(click));
            QTRY_COMPARE(dashboard.size() + settings.size(), 1);
            QCOMPARE(settings.size(), opensSettings ? 1 : 0);
        }
    }

    void withoutAServerNothingHappens() {
        QVERIFY(m_serverBus.unregisterService(serverName));
        DesktopNotifications notifications;
        notifications.show(NotificationKind::PairingApproved, u"Pairing approved"_qs, {});
        QTest::qWait(200);
        QVERIFY(m_serverBus.registerService(serverName));
        QCOMPARE(m_server.summaries, QStringList{});
    }

    // The switches and the stored preference follow each other; a stored
    // choice is read back by a new store.
    void settingsCardSwitchesAreThePreference_data() {
        QTest::addColumn<NotificationKind>("kind");
        for (const NotificationKind kind : allNotificationKinds()) {
            QTest::addRow("%s", qPrintable(rawValue(kind))) << kind;
        }
    }
    void settingsCardSwitchesAreThePreference() {
        QFETCH(NotificationKind, kind);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"preferences.ini"_qs);
        const std::unique_ptr<NotificationPreferences> preferences = NotificationPreferences::inFile(file);
        NotificationSettingsCard card(*preferences);
        auto* box = card.findChild<QCheckBox*>(rawValue(kind));
        QVERIFY(box);
        QCOMPARE(std::pair(box->isChecked(), box->text()),
                 std::pair(true, NotificationSettingsCard::title(kind)));

        box->click();
        QCOMPARE(NotificationPreferences::inFile(file)->isEnabled(kind), false);
        for (const NotificationKind other : allNotificationKinds()) {
            QCOMPARE(preferences->isEnabled(other), other != kind);
        }
        preferences->setEnabled(kind, true);
        QCOMPARE(box->isChecked(), true);
    }

private:
    void drive(const QString& event, ModelHarness& harness) {
        const auto pairing = [&](PairingStatus status, std::optional<QDateTime> expiresAt) {
            RuntimeSnapshot snapshot = CannedRuntimeServer::snapshot(
                status, status == PairingStatus::Pending ? u"K7QM-3XRP"_qs : QString());
            snapshot.identity.pairing.expiresAt = expiresAt;
            harness.serve(snapshot);
            return harness.refresh();
        };
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (event == u"pairing approved") {
            QVERIFY(pairing(PairingStatus::Pending, now.addSecs(600)));
            QVERIFY(pairing(PairingStatus::Paired, {}));
            QVERIFY(pairing(PairingStatus::Paired, {}));
        } else if (event == u"pairing expired" || event == u"pairing cancelled") {
            QVERIFY(pairing(PairingStatus::Pending, now.addSecs(event == u"pairing expired" ? -1 : 600)));
            QVERIFY(pairing(PairingStatus::Unpaired, {}));
            QVERIFY(pairing(PairingStatus::Unpaired, {}));
        } else if (event.startsWith(u"runtime stopped")) {
            harness.serve();
            for (const bool answers : {true, false, false, true, false}) {
                if (answers) {
                    harness.serve();
                } else {
                    harness.server.setAnswer(u"/v1/runtime"_qs, {503, {}, {}});
                }
                QCOMPARE(harness.refresh(), answers);
            }
        } else if (event.startsWith(u"two versions")) {
            harness.serve();
            for (const QString& version : {u"1.4.0"_qs, u"1.4.0"_qs, u"1.5.0"_qs, u"1.5.0"_qs}) {
                harness.server.setAnswer(u"/connect/releases/companion.json"_qs,
                                         {200, manifest(version), {}});
                QVERIFY(harness.refresh());
            }
        } else if (event == u"update download failed") {
            QCoro::waitFor(harness.model->installUpdate(
                harness.server.baseURL().resolved(QUrl(u"/image.tar.gz"_qs)), u"1.4.0"_qs));
        } else if (event == u"update installed before this launch") {
            harness.serve();
            QCoro::waitFor(harness.model->bootstrap());
            QVERIFY(!QFile::exists(CompanionPaths::updateResultFile()));
        }
    }

    QDBusConnection m_serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"server"_qs);
    FakeNotificationServer m_server;
};

QTEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
