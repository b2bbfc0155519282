#include "MenuRows.h"
#include "PrivateDesktop.h"
#include "StatusNotifierWatcher.h"
#include "ui/tray/wording/WordingRules.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

// The real app bundle under Xvfb, in a panel with an XEmbed tray (trayer) and
// then with a StatusNotifierItem host this test registers on its private
// session bus: the icon shows, its tooltip and menu are right, a left click
// opens the dashboard, and "Quit Completely" ends the app after shutting the
// runtime down; as does SIGTERM, after a second launch handed over to it.
namespace {

constexpr int launchTimeoutMs = 30000;
constexpr int quitTimeoutMs = 30000;

// Reads a dbusmenu node: its properties, its id under its label in ids, and its
// visible items as rows in the notation of menuRows().
QStringList readMenu(const QDBusArgument& node, QVariantMap& properties, QHash<QString, int>& ids) {
    int id = 0;
    QStringList rows;
    node.beginStructure();
    node >> id >> properties;
    ids.insert(properties.value(u"label"_qs).toString(), id);
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        QVariantMap p;
        const QStringList submenu = readMenu(qvariant_cast<QDBusArgument>(child.variant()), p, ids);
        const QString label = p.value(u"label"_qs).toString();
        if (!p.value(u"visible"_qs, true).toBool()) {
            continue;
        } else if (p.value(u"type"_qs).toString() == u"separator") {
            rows << u"—"_qs;
        } else if (!submenu.isEmpty()) {
            rows << label + u" ▸ " + submenu.join(u" | ");
        } else if (!p.value(u"enabled"_qs, true).toBool()) {
            rows << u'(' + label + u')';
        } else if (p.value(u"toggle-type"_qs).toString() == u"checkmark") {
            rows << (p.value(u"toggle-state"_qs).toInt() == 1 ? u"[x] "_qs : u"[ ] "_qs) + label;
        } else {
            rows << label;
        }
    }
    node.endArray();
    node.endStructure();
    return rows;
}

} // namespace

class TrayIntegrationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"Xvfb", "trayer", "xdotool", "import"}) {
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
        }
        QVERIFY(m_root.isValid());
        QFile rules(QStringLiteral(VC_WORDING_RULES));
        QVERIFY(rules.open(QIODevice::ReadOnly));
        m_linuxWording = *WordingRules::parse(QString::fromUtf8(rules.readAll()));

        const auto display = PrivateDesktop::startDisplay(m_xvfb);
        QVERIFY(display);
        m_environment = *display;
        QVERIFY(PrivateDesktop::isolate(m_environment, m_root));
    }

    void xembedTrayShowsTheIconAndItsMenu() {
        // The tray comes up after the app, as a panel may at login: the app is
        // running (its runtime answers) before there is anywhere to dock.
        launchApp();
        QTRY_VERIFY_WITH_TIMEOUT(runtimeAnswers(), launchTimeoutMs);
        QVERIFY(appWindows().isEmpty());
        m_trayer.setProcessEnvironment(m_environment);
        // A full-width panel along the top, the icon at its right end.
        m_trayer.start(u"trayer"_qs, {u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs,
                                      u"percent"_qs, u"--width"_qs, u"100"_qs, u"--height"_qs, u"32"_qs,
                                      u"--SetDockType"_qs, u"true"_qs, u"--transparent"_qs, u"true"_qs,
                                      u"--alpha"_qs, u"0"_qs, u"--tint"_qs, u"0x3b4252"_qs});
        QVERIFY(m_trayer.waitForStarted());

        // The icon: a small window of the app, embedded and shown by the tray.
        QString icon;
        QTRY_VERIFY_WITH_TIMEOUT(!(icon = smallAppWindow()).isEmpty(), launchTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!appWindows().isEmpty(), 5000);
        const QStringList before = appWindows();

        // A right click opens the menu; the panel with it is what users see.
        xdotool({u"mousemove"_qs, u"--window"_qs, icon, u"8"_qs, u"24"_qs, u"click"_qs, u"3"_qs});
        QTRY_VERIFY_WITH_TIMEOUT(appWindows().size() > before.size(), 10000);
        QTest::qWait(500); // the menu's first paint
        const QString screenshot = QStringLiteral(VC_TEST_OUTPUT_DIR "/tray-menu-xembed.png");
        QCOMPARE(PrivateDesktop::output(u"import"_qs, {u"-window"_qs, u"root"_qs, screenshot}, m_environment),
                 QString());
        QVERIFY(!QImage(screenshot).isNull());

        // The last row quits completely.
        xdotool({u"key"_qs, u"Up"_qs, u"Return"_qs});
        expectCleanQuit();
        m_trayer.kill();
        m_trayer.waitForFinished();
    }

    void statusNotifierHostShowsTheIconTooltipAndMenu() {
        StatusNotifierWatcher watcher;
        QVERIFY(watcher.registerOnSessionBus());
        const auto unregister = qScopeGuard([&] { watcher.unregister(); });
        QSignalSpy registered(&watcher, &StatusNotifierWatcher::StatusNotifierItemRegistered);
        launchApp();
        QTRY_VERIFY_WITH_TIMEOUT(!registered.isEmpty(), launchTimeoutMs);
        const QString item = registered.first().first().toString();
        m_itemService = item.section(u'/', 0, 0);

        // The tooltip names the status once the runtime reported one.
        QString toolTip;
        QTRY_VERIFY_WITH_TIMEOUT((toolTip = itemToolTip()).startsWith(u"Vendrilo Connect — ") &&
                                     !toolTip.endsWith(u"Starting…"),
                                 launchTimeoutMs);
        const QString status = toolTip.section(u" — "_qs, 1);

        // Every size a panel asks for is drawn, with the status dot in place.
        const QList<QImage> pixmaps =
            readPixmaps(qvariant_cast<QDBusArgument>(itemProperty(u"IconPixmap"_qs)));
        QVERIFY(pixmaps.size() >= 6);
        for (const QImage& image : pixmaps) {
            const qreal unit = image.width() / 18.0;
            QCOMPARE(image.pixelColor(int(14.2 * unit), int(14.0 * unit)).alpha(), 255);
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        }

        QHash<QString, int> ids;
        QStringList expected = expectedRows({u"Check for Updates…"_qs});
        expected[1] = u'(' + status + u')';
        const QStringList rows = menuLayout(ids);
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            // The app may show the source texts or this platform's words.
            QVERIFY2(rows[i] == expected[i] || rows[i] == m_linuxWording.apply(expected[i]),
                     qPrintable(rows[i]));
        }

        // A left click opens the dashboard.
        callItem(u"/StatusNotifierItem"_qs, u"org.kde.StatusNotifierItem"_qs, u"Activate"_qs, {0, 0});
        QTRY_VERIFY_WITH_TIMEOUT(
            !xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--name"_qs, u"^Vendrilo Connect$"_qs}).isEmpty(),
            10000);

        const int quitId = ids.value(u"Quit Completely"_qs);
        QVERIFY(quitId > 0);
        callItem(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, u"Event"_qs,
                 {quitId, u"clicked"_qs, QVariant::fromValue(QDBusVariant(0)), 0u});
        expectCleanQuit();
    }

    // One running instance per user: later launches hand over and exit.
    void aSecondLaunchHandsOverAndSigtermQuits() {
        launchApp({});
        QTRY_VERIFY_WITH_TIMEOUT(runtimeAnswers(), launchTimeoutMs);
        for (const QStringList& arguments : {QStringList{}, QStringList{u"--background"_qs}}) {
            QProcess second;
            second.setProcessEnvironment(m_environment);
            second.start(QStringLiteral(VC_APP_EXECUTABLE), arguments);
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(m_app.state(), QProcess::Running);
        }
        QCOMPARE(processesFromOurFolders().size(), 1); // the one runtime
        ::kill(pid_t(m_app.processId()), SIGTERM);
        expectCleanQuit();
    }

    void cleanupTestCase() {
        for (QProcess* process : {&m_app, &m_trayer, &m_xvfb}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

private:
    void launchApp(const QStringList& arguments = {u"--background"_qs}) {
        m_app.setProcessEnvironment(m_environment);
        m_app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_app.start(QStringLiteral(VC_APP_EXECUTABLE), arguments);
        QVERIFY(m_app.waitForStarted());
    }

    void expectCleanQuit() {
        QVERIFY(m_app.waitForFinished(quitTimeoutMs));
        QCOMPARE(m_app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_app.exitCode(), 0);
        // No runtime left: nothing listens on its port, no process runs from our folders.
        QVERIFY(!runtimeAnswers());
        QCOMPARE(processesFromOurFolders(), QStringList());
    }

    // "pid executable" of every process started from a file below our folders.
    QStringList processesFromOurFolders() const {
        QStringList found;
        const QDir proc(u"/proc"_qs);
        for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString executable = QFile::symLinkTarget(proc.filePath(pid + u"/exe"));
            if (executable.startsWith(m_root.path())) {
                found << pid + u' ' + executable;
            }
        }
        return found;
    }

    static bool runtimeAnswers() {
        QTcpSocket probe;
        probe.connectToHost(u"127.0.0.1"_qs, 46901);
        return probe.waitForConnected(2000);
    }

    QString xdotool(const QStringList& arguments) const {
        return PrivateDesktop::output(u"xdotool"_qs, arguments, m_environment);
    }

    QStringList appWindows() const {
        return xdotool({u"search"_qs, u"--onlyvisible"_qs, u"--pid"_qs, QString::number(m_app.processId())})
            .split(u'\n', Qt::SkipEmptyParts);
    }

    // The embedded icon: the app's only window no larger than a panel row.
    QString smallAppWindow() const {
        for (const QString& window : appWindows()) {
            const QString geometry = xdotool({u"getwindowgeometry"_qs, window});
            const QString size = geometry.section(u"Geometry: "_qs, 1).trimmed();
            if (!size.isEmpty() && size.section(u'x', 0, 0).toInt() <= 64 &&
                size.section(u'x', 1).toInt() <= 64) {
                return window;
            }
        }
        return {};
    }

    QDBusMessage callItem(const QString& path, const QString& interface, const QString& method,
                          const QVariantList& arguments) const {
        QDBusMessage call = QDBusMessage::createMethodCall(m_itemService, path, interface, method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call);
    }

    QVariant itemProperty(const QString& name) const {
        const QDBusMessage reply = callItem(u"/StatusNotifierItem"_qs, u"org.freedesktop.DBus.Properties"_qs,
                                            u"Get"_qs, {u"org.kde.StatusNotifierItem"_qs, name});
        return reply.arguments().isEmpty() ? QVariant()
                                           : qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
    }

    static QList<QImage> readPixmaps(const QDBusArgument& argument) {
        QList<QImage> images;
        argument.beginArray();
        while (!argument.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray data;
            argument.beginStructure();
            argument >> width >> height >> data;
            argument.endStructure();
            QImage image(width, height, QImage::Format_ARGB32);
            for (int i = 0; i < width * height; ++i) {
                const auto* p = reinterpret_cast<const uchar*>(data.constData()) + 4 * i;
                image.setPixel(i % width, i / width, qRgba(p[1], p[2], p[3], p[0]));
            }
            images.append(image);
        }
        argument.endArray();
        return images;
    }

    // The title of the (icon name, pixmaps, title, text) tooltip.
    QString itemToolTip() const {
        const QVariant value = itemProperty(u"ToolTip"_qs);
        if (!value.canConvert<QDBusArgument>()) {
            return {};
        }
        const auto argument = qvariant_cast<QDBusArgument>(value);
        QString iconName;
        QString title;
        argument.beginStructure();
        argument >> iconName;
        readPixmaps(argument);
        argument >> title;
        argument.endStructure();
        return title;
    }

    QStringList menuLayout(QHash<QString, int>& ids) const {
        const QDBusMessage reply =
            callItem(u"/MenuBar"_qs, u"com.canonical.dbusmenu"_qs, u"GetLayout"_qs, {0, -1, QStringList()});
        QVariantMap root;
        return reply.arguments().size() < 2
                   ? QStringList()
                   : readMenu(qvariant_cast<QDBusArgument>(reply.arguments().at(1)), root, ids);
    }

    QTemporaryDir m_root;
    QProcess m_xvfb;
    QProcess m_trayer;
    QProcess m_app;
    QString m_itemService;
    QProcessEnvironment m_environment;
    WordingRules m_linuxWording;
};

int main(int argc, char** argv) {
    PrivateDesktop::reexecOnPrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    TrayIntegrationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tray_integration.moc"
