#include "system/LaunchAtLoginError.h"
#include "system/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// desktop-file-validate's complaints, empty when the entry is valid.
QString validationProblems(const QString& path) {
    QProcess validator;
    validator.start(u"desktop-file-validate"_qs, {path});
    if (!validator.waitForFinished(10000)) {
        return u"desktop-file-validate did not run"_qs;
    }
    const QString output = QString::fromUtf8(validator.readAll()).trimmed();
    return validator.exitCode() == 0 && output.isEmpty() ? QString() : output;
}

} // namespace

class TestLaunchAtLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_bundle;
    QString m_executable;
    QString m_autostart;

    // A bundle with a real executable file, installed under <name>/Applications.
    QString makeExecutable(const QString& bundle) {
        const QString executable = bundle + u"/Contents/MacOS/vendrilo-connect";
        writeFile(executable, "#!/bin/sh\n");
        return executable;
    }
    LaunchAtLoginManager manager() const { return LaunchAtLoginManager(m_bundle, identifier, m_executable); }
    QString entryPath() const { return m_autostart + u'/' + identifier + u".desktop"; }
    QByteArray execLine(const QString& program) const { return "Exec=\"" + program.toUtf8() + '"'; }

private Q_SLOTS:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        qputenv("XDG_CONFIG_HOME", m_root->filePath(u"config"_qs).toUtf8());
        m_autostart = m_root->filePath(u"config/autostart"_qs);
        m_bundle = m_root->filePath(u"Applications/Vendrilo Connect.app"_qs);
        m_executable = makeExecutable(m_bundle);
    }

    void statusSentences_data() {
        QTest::addColumn<int>("raw");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("not registered")
            << 0 << false << "The app will stay manual until you enable start at login.";
        QTest::newRow("enabled") << 1 << true << "Vendrilo Connect launches automatically when you log in.";
        QTest::newRow("requires approval")
            << 2 << false << "macOS still needs you to approve this app in Login Items.";
        QTest::newRow("not found") << 3 << false
                                   << "Move the app into Applications before enabling start at login.";
        QTest::newRow("unknown") << -1 << false << "Start at login availability is unknown.";
        QTest::newRow("out of range") << 7 << false << "Start at login availability is unknown.";
    }
    void statusSentences() {
        QFETCH(int, raw);
        const auto status = static_cast<LaunchAtLoginStatus>(raw);
        QTEST(isLaunchAtLoginEnabled(status), "enabled");
        QTEST(launchAtLoginStatusText(status), "sentence");
    }

    // Entries as the sessions' own tools leave them; "EXEC" stands for an Exec
    // line starting this copy.
    void statusOfExistingEntries_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<LaunchAtLoginStatus>("expected");
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Vendrilo Connect\n";
        QTest::newRow("ours") << head + "EXEC\n" << LaunchAtLoginStatus::Enabled;
        QTest::newRow("ours with arguments and a field code") << head + "EXEC --hidden %U\n"
                                                              << LaunchAtLoginStatus::Enabled;
        QTest::newRow("ours among comments and other groups")
            << "# written by hand\n[Desktop Action x]\nExec=/bin/false\n\n" + head +
                   "EXEC\nX-GNOME-Autostart-enabled=true\n"
            << LaunchAtLoginStatus::Enabled;
        QTest::newRow("hidden") << head + "EXEC\nHidden=true\n" << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("switched off in GNOME") << head + "EXEC\nX-GNOME-Autostart-enabled=false\n"
                                               << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("another copy")
            << head + "Exec=\"/opt/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect\"\n"
            << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("unterminated quote") << head + "Exec=\"/opt/x\n" << LaunchAtLoginStatus::NotRegistered;
        QTest::newRow("not an application")
            << QByteArray("[Desktop Entry]\nType=Link\nName=x\nEXEC\n") << LaunchAtLoginStatus::NotRegistered;
    }
    void statusOfExistingEntries() {
        QFETCH(QByteArray, contents);
        writeFile(entryPath(), contents.replace("EXEC", execLine(m_executable)));
        QTEST(manager().status(), "expected");
    }

    void statusOutsideTheUsualCases() {
        QCOMPARE(manager().status(), LaunchAtLoginStatus::NotRegistered);

        // Reached through a symlinked folder it is still this copy.
        QVERIFY(QFile::link(m_root->filePath(u"Applications"_qs), m_root->filePath(u"Linked"_qs)));
        writeFile(entryPath(), "[Desktop Entry]\nType=Application\n" +
                                   execLine(m_root->filePath(
                                       u"Linked/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect"_qs)));
        QCOMPARE(manager().status(), LaunchAtLoginStatus::Enabled);

        const QString download = m_root->filePath(u"Downloads/Vendrilo Connect.app"_qs);
        const QString downloaded = makeExecutable(download);
        writeFile(entryPath(), "[Desktop Entry]\nType=Application\n" + execLine(downloaded));
        LaunchAtLoginManager outside(download, identifier, downloaded);
        QCOMPARE(outside.status(), LaunchAtLoginStatus::NotFound);
        try {
            outside.setEnabled(true);
            QFAIL("enabled a copy outside Applications");
        } catch (const LaunchAtLoginError& error) {
            QCOMPARE(error.description(), launchAtLoginStatusText(LaunchAtLoginStatus::NotFound));
        }
        // It may still clean up after itself.
        outside.setEnabled(false);
        QVERIFY(!QFile::exists(entryPath()));

        QVERIFY(QDir().mkpath(entryPath()));
        QCOMPARE(manager().status(), LaunchAtLoginStatus::Unknown);
        QVERIFY_THROWS_EXCEPTION(LaunchAtLoginError, manager().setEnabled(false));

        LaunchAtLoginManager unnamed(m_bundle, QString(), m_executable);
        QCOMPARE(unnamed.status(), LaunchAtLoginStatus::Unknown);
        try {
            unnamed.setEnabled(true);
            QFAIL("enabled without a name for the entry");
        } catch (const LaunchAtLoginError& error) {
            QCOMPARE(error.kind(), LaunchAtLoginError::Kind::UnsupportedOS);
        }
    }

    void enablingAndDisablingOwnOnlyOurEntry() {
        auto ours = manager();
        QCOMPARE(ours.entryPath(), entryPath());
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
        ours.setEnabled(false);
        QVERIFY(!QFile::exists(entryPath()));
        QCOMPARE(ours.status(), LaunchAtLoginStatus::NotRegistered);
        ours.setEnabled(false); // nothing to remove is not a failure

        // Another copy's entry survives our disabling, and enabling takes the name over.
        const QByteArray foreign = "[Desktop Entry]\nType=Application\nExec=/opt/vc/vendrilo-connect\n";
        writeFile(entryPath(), foreign);
        ours.setEnabled(false);
        QCOMPARE(readFile(entryPath()), foreign);
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);

        // A switched-off entry of ours is switched on again by rewriting it.
        writeFile(entryPath(), "[Desktop Entry]\nType=Application\nHidden=true\n" + execLine(m_executable));
        QCOMPARE(ours.status(), LaunchAtLoginStatus::NotRegistered);
        ours.setEnabled(true);
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
    }

    // Awkward folder names must survive the Exec quoting and string escaping both ways.
    void writtenEntryIsValidForAwkwardPaths_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("quotedFolder");
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
        QFETCH(QString, quotedFolder);
        m_bundle = m_root->filePath(folder + u"/Applications/Vendrilo Connect.app");
        m_executable = makeExecutable(m_bundle);
        auto ours = manager();
        ours.setEnabled(true);
        const QString expectedExec = u"Exec=\"" + m_root->path() + u'/' + quotedFolder +
                                     u"/Applications/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect\"";
        QVERIFY2(QString::fromUtf8(readFile(entryPath())).split(u'\n').contains(expectedExec),
                 readFile(entryPath()).constData());
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
        if (QStandardPaths::findExecutable(u"desktop-file-validate"_qs).isEmpty()) {
            QSKIP("desktop-file-validate is not installed");
        }
        QCOMPARE(validationProblems(entryPath()), QString());
    }

    void writeFailuresCarryThePlatformText() {
        auto ours = manager();
        ours.setEnabled(true);
        QProcess chattr;
        chattr.start(u"chattr"_qs, {u"+i"_qs, m_autostart});
        if (!chattr.waitForFinished(5000) || chattr.exitCode() != 0) {
            QSKIP("chattr cannot make the folder immutable here");
        }
        const auto unlock = qScopeGuard([this] { QProcess::execute(u"chattr"_qs, {u"-i"_qs, m_autostart}); });
        for (const bool enabled : {false, true}) {
            try {
                ours.setEnabled(enabled);
                QFAIL("the change went through an immutable folder");
            } catch (const LaunchAtLoginError& error) {
                QCOMPARE(error.kind(), LaunchAtLoginError::Kind::OperationFailed);
                QVERIFY(!error.description().isEmpty());
            }
        }
        QCOMPARE(ours.status(), LaunchAtLoginStatus::Enabled);
    }
};

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
