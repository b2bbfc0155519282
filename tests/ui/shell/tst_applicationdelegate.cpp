#include "model/CompanionPreferences.h"
#include "ui/shell/CompanionApplicationDelegate.h"

#include <QCoro/QCoroSignal>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <stdexcept>

using Reply = CompanionApplicationDelegate::TerminationReply;

// Holds the preparation (the model's shutdown) until the test opens it.
class Gate : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void opened();
};

class TestApplicationDelegate : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<CompanionPreferences> m_preferences;
    std::unique_ptr<CompanionApplicationDelegate> m_delegate;
    Gate m_gate;
    int m_preparations = 0;
    QWidget m_window;
    QWidget m_panel{nullptr, Qt::Tool | Qt::FramelessWindowHint};

    // The preference as a string on disk: values read back are never typed.
    void storePreference(const QString& value) {
        QFile file(m_folder.filePath("preferences.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (!value.isEmpty()) {
            file.write("[General]\nkeepRunningInMenuBarWhenQuitting=" + value.toUtf8() + "\n");
        }
        file.close();
        m_preferences = std::make_unique<CompanionPreferences>(
            CompanionPreferences::inFile(m_folder.filePath("preferences.ini")));
        m_delegate = std::make_unique<CompanionApplicationDelegate>(*m_preferences);
        m_delegate->setTerminationPreparationHandler([this]() -> QCoro::Task<> {
            ++m_preparations;
            co_await qCoro(&m_gate, &Gate::opened);
        });
    }

private Q_SLOTS:
    void init() {
        m_preparations = 0;
        m_window.show();
        m_panel.show();
    }

    void decidesWhatQuitMeans_data() {
        QTest::addColumn<QString>("stored"); // "" = nothing stored
        QTest::addColumn<bool>("explicitQuit");
        QTest::addColumn<bool>("preparing");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<Reply>("reply");
        // Columns: stored, explicit, preparing, tray → reply.
        QTest::newRow("fresh install: close to the tray") << "" << false << false << true << Reply::Cancel;
        QTest::newRow("stored true: close to the tray") << "true" << false << false << true << Reply::Cancel;
        QTest::newRow("stored false: shut down first") << "false" << false << false << true << Reply::Later;
        QTest::newRow("stored 0: shut down first") << "0" << false << false << true << Reply::Later;
        QTest::newRow("not a Boolean: close to the tray") << "no" << false << false << true << Reply::Cancel;
        QTest::newRow("explicit, nothing stored") << "" << true << false << true << Reply::Later;
        QTest::newRow("explicit, stored true") << "true" << true << false << true << Reply::Later;
        QTest::newRow("explicit, stored false") << "false" << true << false << true << Reply::Later;
        QTest::newRow("explicit, not a Boolean") << "no" << true << false << true << Reply::Later;
        // A second quit during the shutdown ends at once, unless it is a plain
        // Ctrl+Q after the user came back to a window.
        QTest::newRow("preparing, nothing stored") << "" << false << true << true << Reply::Cancel;
        QTest::newRow("preparing, stored true") << "true" << false << true << true << Reply::Cancel;
        QTest::newRow("preparing, stored false") << "false" << false << true << true << Reply::Now;
        QTest::newRow("preparing, not a Boolean") << "no" << false << true << true << Reply::Cancel;
        QTest::newRow("preparing, explicit, nothing stored") << "" << true << true << true << Reply::Now;
        QTest::newRow("preparing, explicit, stored true") << "true" << true << true << true << Reply::Now;
        QTest::newRow("preparing, explicit, stored false") << "false" << true << true << true << Reply::Now;
        QTest::newRow("preparing, explicit, not a Boolean") << "no" << true << true << true << Reply::Now;
        // Nowhere to keep running in: quitting quits.
        QTest::newRow("no tray, nothing stored") << "" << false << false << false << Reply::Later;
        QTest::newRow("no tray, stored true") << "true" << false << false << false << Reply::Later;
        QTest::newRow("no tray, preparing, stored true") << "true" << false << true << false << Reply::Now;
    }
    void decidesWhatQuitMeans() {
        QFETCH(QString, stored);
        QFETCH(bool, explicitQuit);
        QFETCH(bool, preparing);
        QFETCH(bool, tray);
        QFETCH(Reply, reply);
        storePreference(stored);
        m_delegate->setTrayAvailable(tray);
        if (preparing) {
            m_delegate->quitCompletely();
            QVERIFY(m_delegate->isPreparingForTermination());
        }
        m_delegate->setExplicitTerminationRequested(explicitQuit);
        QSignalSpy terminated(m_delegate.get(), &CompanionApplicationDelegate::readyToTerminate);

        QCOMPARE(m_delegate->applicationShouldTerminate(), reply);
        QCOMPARE(m_preparations, int(preparing || reply == Reply::Later));
        // Closing to the tray closes the titled windows only and forgets any quit in progress.
        QCOMPARE(m_window.isVisible(), reply != Reply::Cancel);
        QVERIFY(m_panel.isVisible());
        QCOMPARE(m_delegate->isPreparingForTermination(),
                 reply != Reply::Cancel && (preparing || reply == Reply::Later));
        QCOMPARE(m_delegate->explicitTerminationRequested(), reply != Reply::Cancel && explicitQuit);
        QCOMPARE(terminated.count(), 0);

        // Whatever was started ends in one reply, once the shutdown has returned.
        Q_EMIT m_gate.opened();
        QTRY_COMPARE(terminated.count(), int(m_preparations > 0));
        QVERIFY(!m_delegate->isPreparingForTermination());
    }

    void everyQuitPathEndsAfterThePreparation_data() {
        QTest::addColumn<bool>("handlerSet");
        QTest::addColumn<bool>("handlerThrows");
        QTest::addColumn<bool>("secondQuit");
        QTest::addColumn<int>("terminationsBeforeShutdownEnds");
        QTest::newRow("no preparation handler: at once") << false << false << false << 1;
        QTest::newRow("after the shutdown") << true << false << false << 0;
        QTest::newRow("a failed shutdown still ends the app") << true << true << false << 0;
        QTest::newRow("a second quit during the shutdown ends at once") << true << false << true << 1;
    }
    void everyQuitPathEndsAfterThePreparation() {
        QFETCH(bool, handlerSet);
        QFETCH(bool, handlerThrows);
        QFETCH(bool, secondQuit);
        storePreference("true");
        if (!handlerSet) {
            m_delegate->setTerminationPreparationHandler({});
        } else if (handlerThrows) {
            m_delegate->setTerminationPreparationHandler([this]() -> QCoro::Task<> {
                co_await qCoro(&m_gate, &Gate::opened);
                throw std::runtime_error("the runtime did not stop");
            });
        }
        QSignalSpy terminated(m_delegate.get(), &CompanionApplicationDelegate::readyToTerminate);
        m_delegate->quitCompletely();
        if (secondQuit) {
            m_delegate->requestTermination();
        }
        QTEST(int(terminated.count()), "terminationsBeforeShutdownEnds");
        Q_EMIT m_gate.opened();
        QTRY_COMPARE(terminated.count(), handlerSet ? 1 + int(secondQuit) : 1);
    }
};

QTEST_MAIN(TestApplicationDelegate)
#include "tst_applicationdelegate.moc"
