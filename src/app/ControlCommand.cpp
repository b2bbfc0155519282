#include "app/ControlCommand.h"

#include "app/UnixSignalWatcher.h"
#include "common/BackgroundTask.h"
#include "common/LogCategories.h"
#include "common/UserFacingError.h"
#include "ctl/ControlSession.h"
#include "supervision/BundleInfo.h"
#include "ui/tray/PlatformWording.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QLoggingCategory>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QCoro::Task<> runAndExit(ControlSession& session) {
    ControlExitCode code = ControlExitCode::Failure;
    try {
        code = co_await session.run();
    } catch (const std::exception& error) {
        QTextStream(stderr) << describeError(error) << Qt::endl;
    }
    QCoreApplication::exit(static_cast<int>(code));
}

} // namespace

int runControlCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    installPlatformWording(app);
    const BundleInfo bundle = BundleInfo::main();
    QCoreApplication::setApplicationName(QStringLiteral("Vendrilo Connect"));
    QCoreApplication::setApplicationVersion(bundle.companionVersion());

    ControlOptions options;
    try {
        options = ControlOptions::parse(QCoreApplication::arguments().mid(2));
    } catch (const ControlUsageError& error) {
        QTextStream(stderr) << "vendrilo-connect ctl: " << error.message() << '\n'
                            << "Run “vendrilo-connect ctl --help” for the commands and options." << Qt::endl;
        return static_cast<int>(ControlExitCode::Usage);
    }

    // Only `update check` has a release feed; the silent checks of the other commands fail by design.
    if (options.command != ControlOptions::Command::UpdateCheck) {
        QLoggingCategory::setFilterRules(QStringLiteral("vendrilo.update.warning=false"));
    }
    ControlSession session(options, bundle,
                           ControlSession::Settings{.terminal = ::isatty(STDOUT_FILENO) == 1});
    UnixSignalWatcher signals({SIGINT, SIGTERM});
    QObject::connect(&signals, &UnixSignalWatcher::received, &session, [&session](int signalNumber) {
        // Nothing to cancel: end at once, as an interrupted command does; requests in flight are dropped.
        if (!session.interrupt()) {
            std::fflush(stdout);
            std::_Exit(128 + signalNumber);
        }
    });
    // Queued: a command that finishes without waiting must not call exit() before exec() runs.
    QMetaObject::invokeMethod(
        &app,
        [&session] { startBackgroundTask(runAndExit(session), lcModel(), "Running the control command"); },
        Qt::QueuedConnection);
    return QCoreApplication::exec();
}
