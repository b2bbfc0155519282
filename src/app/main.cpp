#include "app/ControlCommand.h"
#include "app/DesktopSession.h"
#include "app/HeadlessSession.h"
#include "supervision/AppLogFile.h"
#include "supervision/BundleInfo.h"
#include "ui/tray/PlatformWording.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Read before the application object exists: it decides which one to make.
bool requestsHeadless(int argc, char** argv) {
    return std::any_of(argv + 1, argv + argc,
                       [](const char* argument) { return qstrcmp(argument, "--headless") == 0; });
}

} // namespace

int main(int argc, char** argv) {
    // Terminal control needs no display and no application object of the GUI path.
    if (argc > 1 && qstrcmp(argv[1], "ctl") == 0) {
        return runControlCommand(argc, argv);
    }
    // Windows and the tray icon need a display; without one, or with --headless, none are made.
    const bool desktop = hasDisplay() && !requestsHeadless(argc, argv);
    const std::unique_ptr<QCoreApplication> app =
        desktop ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    AppLogFile::install();
    const BundleInfo bundle = BundleInfo::main();
    QCoreApplication::setApplicationName(QStringLiteral("Vendrilo Connect"));
    QCoreApplication::setApplicationVersion(bundle.companionVersion());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tray companion that supervises the Vendrilo companion runtime on 127.0.0.1:46901."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run without windows or tray icon; print one line per status change on stdout."));
    parser.addOption(headless);
    const QCommandLineOption background(
        QStringLiteral("background"),
        QStringLiteral("Start in the system tray without opening a window (the dashboard opens when no tray "
                       "appears within 30 seconds)."));
    parser.addOption(background);
    parser.process(*app);

    if (desktop) {
        return DesktopSession::run(bundle, parser.isSet(background));
    }
    if (!parser.isSet(headless)) {
        QTextStream(stderr) << "No display found (DISPLAY and WAYLAND_DISPLAY are not set); running headless."
                            << Qt::endl;
    }

    installPlatformWording(*app);
    HeadlessSession session(bundle);
    session.start();
    return QCoreApplication::exec();
}
