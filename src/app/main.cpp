#include "app/ControlCommand.h"
#include "app/HeadlessSession.h"
#include "supervision/AppLogFile.h"
#include "supervision/BundleInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    // Terminal control needs no display and no application object of the GUI path.
    if (argc > 1 && qstrcmp(argv[1], "ctl") == 0) {
        return runControlCommand(argc, argv);
    }
    QCoreApplication app(argc, argv);
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
    parser.process(app);

    if (!parser.isSet(headless)) {
        QTextStream errors(stderr);
        if (hasDisplay()) {
            errors << "The desktop interface is not part of this build; running headless." << Qt::endl;
        } else {
            errors << "No display found (DISPLAY and WAYLAND_DISPLAY are not set); running headless."
                   << Qt::endl;
        }
    }

    HeadlessSession session(bundle);
    session.start();
    return QCoreApplication::exec();
}
