#include "common/FileText.h"
#include "system/LaunchAtLoginError.h"
#include "system/LaunchAtLoginManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

using enum LaunchAtLoginStatus;
using Kind = LaunchAtLoginError::Kind;

namespace {

const QString identifier = u"app.vendrilo.connect"_qs;
const QString executableInBundle = u"/Contents/MacOS/vendrilo-connect"_qs;

std::optional<LaunchAtLoginError> failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LaunchAtLoginError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

class TestLaunchAtLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_entry;

    // A copy of the app with a real executable file, in a folder under the temporary root.
    LaunchAtLoginManager copyIn(const QString& folder) const {
        const QString bundle = m_root->filePath(folder + u"/Vendrilo Connect.app");
        if (!writeFile(bundle + executableInBundle, "#!/bin/sh\n")) {
            QTest::qFail("cannot write the bundle", __FILE__, __LINE__);
        }
        return {bundle, identifier, bundle + executableInBundle};
    }
    LaunchAtLoginManager installed() const { return copyIn(u"Applications"_qs); }
    QByteArray execLine(const QString& folder) const {
        return "Exec=\"" + m_root->filePath(folder + u"/Vendrilo Connect.app" + executableInBundle).toUtf8() +
               '"';
    }

private Q_SLOTS:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_root->filePath(u"config"_qs).toUtf8());
        m_entry = m_root->filePath(u"config/autostart/"_qs + identifier + u".desktop");
        QCOMPARE(installed().entryPath(), m_entry);
        QVERIFY(QFile::link(m_root->filePath(u"Applications"_qs), m_root->filePath(u"Linked"_qs)));
    }

    // Entries as the sessions' own tools leave them; EXEC starts this copy.
    void statusOfExistingEntries_data() {
        QTest::addColumn<QByteArray>("contents"); // empty: no entry
        QTest::addColumn<LaunchAtLoginStatus>("expected");
        const auto row = [](const char* name, const QByteArray& contents, LaunchAtLoginStatus expected) {
            QTest::newRow(name) << contents << expected;
        };
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Vendrilo Connect\n";
        row("no entry", {}, NotRegistered);
        row("ours", head + "EXEC\n", Enabled);
        row("ours with a field code", head + "EXEC --hidden %U\n", Enabled);
        row("ours through a symlinked folder", head + "LINKED\n", Enabled);
        row("ours after other groups", "# by hand\n[Desktop Action x]\nExec=/bin/false\n\n" + head + "EXEC\n",
            Enabled);
        row("hidden", head + "EXEC\nHidden=true\n", NotRegistered);
        row("off in GNOME", head + "EXEC\nX-GNOME-Autostart-enabled=false\n", NotRegistered);
        row("another copy", head + "Exec=\"/opt/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect\"\n",
            NotRegistered);
        row("open quote", head + "Exec=\"/opt/x\n", NotRegistered);
        row("not an application", "[Desktop Entry]\nType=Link\nEXEC\n", NotRegistered);
    }
    void statusOfExistingEntries() {
        QFETCH(QByteArray, contents);
        if (!contents.isEmpty()) {
            QVERIFY(writeFile(m_entry, contents.replace("EXEC", execLine(u"Applications"_qs))
                                           .replace("LINKED", execLine(u"Linked"_qs))));
        }
        QTEST(installed().status(), "expected");
    }

    void statusOutsideTheUsualCases() {
        // A copy outside Applications is asked to move, but may still clean up after itself.
        auto outside = copyIn(u"Downloads"_qs);
        QCOMPARE(outside.status(), NotFound);
        QCOMPARE(failureOf([&] { outside.setEnabled(true); })->description(),
                 u"Move the app into Applications before enabling start at login."_qs);
        QVERIFY(writeFile(m_entry, "[Desktop Entry]\nType=Application\n" + execLine(u"Downloads"_qs)));
        outside.setEnabled(false);
        QVERIFY(!QFile::exists(m_entry));

        QVERIFY(QDir().mkpath(m_entry)); // unreadable
        QCOMPARE(installed().status(), Unknown);
        QCOMPARE(failureOf([&] { installed().setEnabled(false); })->kind(), Kind::OperationFailed);
    }

    void disablingRemovesOnlyOurEntry() {
        auto ours = installed();
        ours.setEnabled(true);
        QCOMPARE(ours.status(), Enabled);
        ours.setEnabled(false);
        QVERIFY(!QFile::exists(m_entry));
        ours.setEnabled(false); // nothing to remove is no failure

        const QByteArray foreign = "[Desktop Entry]\nType=Application\nExec=/opt/vc/vendrilo-connect\n";
        QVERIFY(writeFile(m_entry, foreign));
        ours.setEnabled(false);
        QCOMPARE(readFile(m_entry), foreign);
        // Enabling takes the name over, and switches a hidden entry of ours on again.
        ours.setEnabled(true);
        QCOMPARE(ours.status(), Enabled);
        QVERIFY(writeFile(m_entry,
                          "[Desktop Entry]\nType=Application\nHidden=true\n" + execLine(u"Applications"_qs)));
        ours.setEnabled(true);
        QCOMPARE(ours.status(), Enabled);
    }

    // Exec quoting and string escaping both apply: a literal backslash is written four times.
    void writtenEntryIsValidForAwkwardPaths() {
        auto awkward = copyIn(uR"(50% "off" $HOME`id` a\b it's;(x)&y/Applications)"_qs);
        awkward.setEnabled(true);
        const QString exec = u"Exec=\"" + m_root->path() +
                             uR"(/50%% \\"off\\" \\$HOME\\`id\\` a\\\\b it's;(x)&y)" +
                             u"/Applications/Vendrilo Connect.app" + executableInBundle + u"\" --background";
        QVERIFY2(QString::fromUtf8(readFile(m_entry)).split(u'\n').contains(exec),
                 readFile(m_entry).constData());
        QCOMPARE(awkward.status(), Enabled);
        QProcess validator;
        validator.start(u"desktop-file-validate"_qs, {m_entry});
        QVERIFY(validator.waitForFinished(10000));
        QCOMPARE(validator.readAll(), QByteArray());
        QCOMPARE(validator.exitCode(), 0);
    }

    void writeFailuresCarryThePlatformText() {
        auto ours = installed();
        ours.setEnabled(true);
        const QString folder = QFileInfo(m_entry).absolutePath();
        if (QProcess::execute(u"chattr"_qs, {u"+i"_qs, folder}) != 0) {
            QSKIP("chattr cannot make the folder immutable here");
        }
        const auto unlock = qScopeGuard([&] { QProcess::execute(u"chattr"_qs, {u"-i"_qs, folder}); });
        for (const bool enabled : {false, true}) {
            const auto failure = failureOf([&] { ours.setEnabled(enabled); });
            QVERIFY(failure);
            QCOMPARE(failure->kind(), Kind::OperationFailed);
            QVERIFY(!failure->description().isEmpty());
        }
        QCOMPARE(ours.status(), Enabled);
    }
};

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launchatlogin.moc"
