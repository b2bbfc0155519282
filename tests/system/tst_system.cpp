#include "common/FileText.h"
#include "system/DesktopPlatformServices.h"
#include "system/LaunchAtLoginError.h"
#include "system/LaunchAtLoginManager.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using enum LaunchAtLoginStatus;
using Kind = LaunchAtLoginError::Kind;

namespace {

const QString identifier = u"app.vendrilo.connect"_qs;
const QString executableInBundle = u"/Contents/MacOS/vendrilo-connect"_qs;

template <typename Action> std::optional<LaunchAtLoginError> failureOf(Action action) {
    try {
        action();
    } catch (const LaunchAtLoginError& error) {
        return error;
    }
    return std::nullopt;
}

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

// Start at login through an autostart entry under a temporary config folder, and revealing a file.
class TestSystem : public QObject {
    Q_OBJECT
private:
    std::optional<QTemporaryDir> m_root;
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
        m_root.emplace();
        qputenv("XDG_CONFIG_HOME", m_root->filePath(u"config"_qs).toUtf8());
        m_entry = m_root->filePath(u"config/autostart/"_qs + identifier + u".desktop");
        QCOMPARE(installed().entryPath(), m_entry);
        QVERIFY(QFile::link(m_root->filePath(u"Applications"_qs), m_root->filePath(u"Linked"_qs)));
    }

    // Entries as the sessions' own tools leave them; EXEC starts this copy. Disabling removes only
    // an entry that starts this copy; enabling takes the name over and switches it on.
    void existingEntries_data() {
        QTest::addColumn<QByteArray>("contents"); // empty: no entry
        QTest::addColumn<LaunchAtLoginStatus>("expected");
        QTest::addColumn<bool>("keptByDisabling");
        const auto row = [](const char* name, const QByteArray& contents, LaunchAtLoginStatus expected,
                            bool kept = false) { QTest::newRow(name) << contents << expected << kept; };
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
            NotRegistered, true);
        row("open quote", head + "Exec=\"/opt/x\n", NotRegistered, true);
        row("not an application", "[Desktop Entry]\nType=Link\nEXEC\n", NotRegistered);
    }
    void existingEntries() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, keptByDisabling);
        contents.replace("EXEC", execLine(u"Applications"_qs)).replace("LINKED", execLine(u"Linked"_qs));
        const auto write = [&] { return contents.isEmpty() || writeFile(m_entry, contents); };
        QVERIFY(write());
        QTEST(installed().status(), "expected");
        installed().setEnabled(false); // nothing to remove is no failure
        QCOMPARE(QFile::exists(m_entry) ? readFile(m_entry) : "<none>",
                 keptByDisabling ? contents : "<none>");
        QVERIFY(write());
        installed().setEnabled(true);
        QCOMPARE(installed().status(), Enabled);
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

    // Without a bus the folder opens; then on a private session bus, so no real file manager is asked.
    void revealFileAsksTheFileManagerAndFallsBackToTheFolder() {
        UrlRecorder urls;
        QDesktopServices::setUrlHandler(u"file"_qs, &urls, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_qs); });
        DesktopPlatformServices(QDBusConnection(u"not connected"_qs)).revealFile(logFile);
        QCOMPARE(urls.opened, QList<QUrl>{logFolder});
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
        QTRY_COMPARE(urls.opened, QList<QUrl>({logFolder, logFolder}));

        FileManager fileManager;
        QVERIFY(provider.registerObject(u"/org/freedesktop/FileManager1"_qs, &fileManager,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(provider.registerService(u"org.freedesktop.FileManager1"_qs));
        desktop.revealFile(logFile);
        QTRY_COMPARE(fileManager.shown, QStringList{u"file:///var/log/vc/runtime.log"_qs});
        QCOMPARE(urls.opened.size(), 2);
    }
};

QTEST_MAIN(TestSystem)
#include "tst_system.moc"
