#include "system/LaunchAtLoginError.h"
#include "system/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

const QString identifier = u"app.vendrilo.connect"_qs;

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<LaunchAtLoginError> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LaunchAtLoginError& error) {
        return error;
    }
    return std::nullopt;
}

QByteArray execLine(const QString& program) {
    return "Exec=\"" + program.toUtf8() + '"';
}

} // namespace

class TestLaunchAtLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_bundle;
    QString m_executable;
    QString m_entry;

    // A bundle with a real executable file.
    static QString makeExecutable(const QString& bundle) {
        const QString executable = bundle + u"/Contents/MacOS/vendrilo-connect";
        writeFile(executable, "#!/bin/sh\n");
        return executable;
    }
    LaunchAtLoginManager manager() const { return {m_bundle, identifier, m_executable}; }

private Q_SLOTS:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_root->filePath(u"config"_qs).toUtf8());
        m_entry = m_root->filePath(u"config/autostart/"_qs + identifier + u".desktop");
        m_bundle = m_root->filePath(u"Applications/Vendrilo Connect.app"_qs);
        m_executable = makeExecutable(m_bundle);
        QCOMPARE(manager().entryPath(), m_entry);
    }

    void statusSentences_data() {
        QTest::addColumn<int>("raw");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("not registered")
            << 0 << false << "The app will stay manual until you enable start at login.";
        QTest::newRow("enabled") << 1 << true << "Vendrilo Connect launches automatically when you log in.";
        QTest::newRow("approval") << 2 << false
                                  << "macOS still needs you to approve this app in Login Items.";
        QTest::newRow("not found") << 3 << false
                                   << "Move the app into Applications before enabling start at login.";
        QTest::newRow("unknown") << -1 << false << "Start at login availability is unknown.";
        QTest::newRow("out of range") << 7 << false << "Start at login availability is unknown.";
    }
    void statusSentences() {
        QFETCH(int, raw);
        QTEST(isLaunchAtLoginEnabled(static_cast<LaunchAtLoginStatus>(raw)), "enabled");
        QTEST(launchAtLoginStatusText(static_cast<LaunchAtLoginStatus>(raw)), "sentence");
    }

    // Entries as the sessions' own tools leave them; EXEC starts this copy.
    void statusOfExistingEntries_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<LaunchAtLoginStatus>("expected");
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Vendrilo Connect\n";
        QTest::newRow("ours") << head + "EXEC\n" << LaunchAtLoginStatus::Enabled;
        QTest::newRow("ours with a field code") << head + "EXEC --hidden %U\n"
                                                << LaunchAtLoginStatus::Enabled;
        QTest::newRow("ours after other groups")
            << "# by hand\n[Desktop Action x]\nExec=/bin/false\n\n" + head + "EXEC\n"
            << LaunchAtLoginStatus::Enabled;
        QTest::newRow("hidden") << head + "EXEC\nHidden=true\n" << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("off in GNOME") << head + "EXEC\nX-GNOME-Autostart-enabled=false\n"
                                      << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("another copy")
            << head + "Exec=\"/opt/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect\"\n"
            << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("open quote") << head + "Exec=\"/opt/x\n" << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("not an application")
            << QByteArray("[Desktop Entry]\nType=Link\nEXEC\n") << LaunchAtLoginStatus::NotRegistered;
    }
    void statusOfExistingEntries() {
        QFETCH(QByteArray, contents);
        writeFile(m_entry, contents.replace("EXEC", execLine(m_executable)));
        QTEST(manager().status(), "expected");
    }

    void statusOutsideTheUsualCases() {
        QCOMPARE(manager().status(), LaunchAtLoginStatus::NotRegistered);

        // Reached through a symlinked folder it is still this copy.
        QVERIFY(QFile::link(m_root->filePath(u"Applications"_qs), m_root->filePath(u"Linked"_qs)));
        writeFile(m_entry, "[Desktop Entry]\nType=Application\n" +
                               execLine(m_root->filePath(
                                   u"Linked/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect"_qs)));
        QCOMPARE(manager().status(), LaunchAtLoginStatus::Enabled);

        // A copy outside Applications is asked to move, but may still clean up after itself.
        const QString download = m_root->filePath(u"Downloads/Vendrilo Connect.app"_qs);
        LaunchAtLoginManager outside(download, identifier, makeExecutable(download));
        QCOMPARE(outside.status(), LaunchAtLoginStatus::NotFound);
        QCOMPARE(failureOf([&] { outside.setEnabled(true); })->description(),
                 launchAtLoginStatusText(LaunchAtLoginStatus::NotFound));
        writeFile(m_entry, "[Desktop Entry]\nType=Application\n" +
                               execLine(download + u"/Contents/MacOS/vendrilo-connect"));
        outside.setEnabled(false);
        QVERIFY(!QFile::exists(m_entry));

        QVERIFY(QDir().mkpath(m_entry)); // unreadable
        QCOMPARE(manager().status(), LaunchAtLoginStatus::Unknown);
        QCOMPARE(failureOf([&] { manager().setEnabled(false); })->kind(),
                 LaunchAtLoginError::Kind::OperationFailed);

        LaunchAtLoginManager unnamed(m_bundle, QString(), m_executable);
        QCOMPARE(unnamed.status(), LaunchAtLoginStatus::Unknown);
        QCOMPARE(failureOf([&] { unnamed.setEnabled(true); })->kind(),
                 LaunchAtLoginError::Kind::UnsupportedOS);
    }

    void disablingRemovesOnlyOurEntry() {
        auto ours = manager();
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
        ours.setEnabled(false);
        QVERIFY(!QFile::exists(m_entry));
        ours.setEnabled(false); // nothing to remove is no failure

        const QByteArray foreign = "[Desktop Entry]\nType=Application\nExec=/opt/vc/vendrilo-connect\n";
        writeFile(m_entry, foreign);
        ours.setEnabled(false);
        QCOMPARE(readFile(m_entry), foreign);
        // Enabling takes the name over, and switches a hidden entry of ours on again.
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
        writeFile(m_entry, "[Desktop Entry]\nType=Application\nHidden=true\n" + execLine(m_executable));
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
    }

    // Exec quoting and string escaping both apply: a literal backslash is written four times.
    void writtenEntryIsValidForAwkwardPaths_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("written");
        QTest::newRow("space") << "My Apps"
                               << "My Apps";
        QTest::newRow("percent and quotes") << "50% \"off\""
                                            << "50%% \\\\\"off\\\\\"";
        QTest::newRow("dollar and backtick") << "$HOME`id`"
                                             << "\\\\$HOME\\\\`id\\\\`";
        QTest::newRow("backslash") << "a\\b"
                                   << "a\\\\\\\\b";
        QTest::newRow("shell characters") << "it's;(x)&y"
                                          << "it's;(x)&y";
    }
    void writtenEntryIsValidForAwkwardPaths() {
        QFETCH(QString, folder);
        QFETCH(QString, written);
        m_bundle = m_root->filePath(folder + u"/Applications/Vendrilo Connect.app");
        m_executable = makeExecutable(m_bundle);
        manager().setEnabled(true);
        const QString exec = u"Exec=\"" + m_root->path() + u'/' + written +
                             u"/Applications/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect\"";
        QVERIFY2(QString::fromUtf8(readFile(m_entry)).split(u'\n').contains(exec),
                 readFile(m_entry).constData());
        QCOMPARE(manager().status(), LaunchAtLoginStatus::Enabled);
        if (QStandardPaths::findExecutable(u"desktop-file-validate"_qs).isEmpty()) {
            QSKIP("desktop-file-validate is not installed");
        }
        QProcess validator;
        validator.start(u"desktop-file-validate"_qs, {m_entry});
        QVERIFY(validator.waitForFinished(10000));
        QCOMPARE(validator.readAll(), QByteArray());
        QCOMPARE(validator.exitCode(), 0);
    }

    void writeFailuresCarryThePlatformText() {
        auto ours = manager();
        ours.setEnabled(true);
        const QString folder = QFileInfo(m_entry).absolutePath();
        if (QProcess::execute(u"chattr"_qs, {u"+i"_qs, folder}) != 0) {
            QSKIP("chattr cannot make the folder immutable here");
        }
        const auto unlock = qScopeGuard([&] { QProcess::execute(u"chattr"_qs, {u"-i"_qs, folder}); });
        for (const bool enabled : {false, true}) {
            const auto failure = failureOf([&] { ours.setEnabled(enabled); });
            QVERIFY(failure);
            QCOMPARE(failure->kind(), LaunchAtLoginError::Kind::OperationFailed);
            QVERIFY(!failure->description().isEmpty());
        }
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
    }
};

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
