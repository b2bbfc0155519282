#include "system/DesktopEntry.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// scripts/install on the built bundle in a scratch home: the bundle lands in
// ~/Applications, the launcher and the metainfo pass their validators, the
// launcher starts the installed copy, and --uninstall takes away exactly what
// was written, even after installing twice.
namespace {

QStringList tree(const QString& root) {
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        paths << it.next().mid(root.size());
    }
    paths.sort();
    return paths;
}

} // namespace

class InstallScriptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installsValidDesktopFilesAndUninstallsExactly() {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(u".local/share/applications"_qs));
        QFile unrelated(home.filePath(u".local/share/applications/other.desktop"_qs));
        QVERIFY(unrelated.open(QIODevice::WriteOnly));
        unrelated.close();
        const QStringList before = tree(home.path());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_qs, home.path());
        for (const char* variable : {"XDG_DATA_HOME", "XDG_STATE_HOME"}) {
            environment.remove(QString::fromLatin1(variable));
        }
        const auto run = [&](const QString& program, const QStringList& arguments) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(program, arguments);
            process.waitForFinished(120000);
            return std::pair{process.exitCode(), QString::fromUtf8(process.readAll())};
        };
        const QString script = QStringLiteral(VC_SOURCE_DIR "/scripts/install");
        for (int round = 0; round < 2; ++round) {
            const auto [code, output] = run(script, {u"--bundle"_qs, QStringLiteral(VC_BUNDLE_DIR)});
            QVERIFY2(code == 0, qPrintable(output));
        }

        const QString installed =
            home.filePath(u"Applications/Vendrilo Connect.app/Contents/MacOS/vendrilo-connect"_qs);
        QVERIFY(QFileInfo(installed).isExecutable());
        const QString launcher = home.filePath(u".local/share/applications/app.vendrilo.connect.desktop"_qs);
        const auto [launcherCode, launcherOutput] = run(u"desktop-file-validate"_qs, {launcher});
        QVERIFY2(launcherCode == 0 && launcherOutput.isEmpty(), qPrintable(launcherOutput));
        QFile launcherFile(launcher);
        QVERIFY(launcherFile.open(QIODevice::ReadOnly));
        const DesktopEntry entry = DesktopEntry::parse(launcherFile.readAll());
        QCOMPARE(DesktopEntry::execArguments(entry.value(u"Exec"_qs).value_or(QString())),
                 QStringList{installed});
        QVERIFY(QFile::exists(home.filePath(u".local/share/icons/hicolor/scalable/apps/"_qs +
                                            entry.value(u"Icon"_qs).value_or(QString()) + u".svg")));
        const auto [metainfoCode, metainfoOutput] =
            run(u"appstreamcli"_qs,
                {u"validate"_qs, u"--no-net"_qs,
                 home.filePath(u".local/share/metainfo/app.vendrilo.connect.metainfo.xml"_qs)});
        QVERIFY2(metainfoCode == 0, qPrintable(metainfoOutput));

        const auto [uninstallCode, uninstallOutput] = run(script, {u"--uninstall"_qs});
        QVERIFY2(uninstallCode == 0, qPrintable(uninstallOutput));
        QCOMPARE(tree(home.path()), before);
    }
};

QTEST_GUILESS_MAIN(InstallScriptTest)

#include "tst_installscript.moc"
