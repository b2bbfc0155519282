#include "companion/CommandLineOptions.h"
#include "companion/CompanionRuntime.h"
#include "companion/LogWriter.h"
#include "companion/RuntimeSettings.h"
#include "companion/ShutdownSignals.h"
#include "companion/UsageError.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

// One line, whatever the message holds (SQLite's texts may span several).
void printError(const QString& commandName, const QString& message) {
    const QByteArray line = (commandName + QStringLiteral(": ") + message.simplified() + u'\n').toUtf8();
    std::fputs(line.constData(), stderr);
}

QCoro::Task<> stopAndQuit(CompanionRuntime& runtime, std::chrono::milliseconds grace) {
    co_await runtime.shutdown(grace);
    QCoreApplication::exit(0);
}

} // namespace

// Connections and the database need descriptors: take all the system allows.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int main(int argc, char** argv) {
    ShutdownSignals::blockDelivery();
    raiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString commandName = RuntimeSettings::commandNameFrom(environment);

    RuntimeSettings settings;
    CommandLineOptions options;
    try {
        settings = RuntimeSettings::fromEnvironment(environment);
        options = CommandLineOptions::parse(app.arguments().mid(1));
    } catch (const UsageError& error) {
        printError(commandName, error.description());
        std::fputs(CommandLineOptions::usage(commandName).toUtf8().constData(), stderr);
        return 2;
    }

    LogWriter log;
    std::unique_ptr<CompanionRuntime> runtime;
    std::unique_ptr<ShutdownSignals> signals;
    try {
        runtime = std::make_unique<CompanionRuntime>(options, settings, log);
        signals = std::make_unique<ShutdownSignals>();
    } catch (const UserFacingError& error) {
        printError(commandName, error.description());
        return 1;
    }

    bool stopping = false;
    QObject::connect(signals.get(), &ShutdownSignals::received, runtime.get(), [&](int signalNumber) {
        if (stopping) {
            return;
        }
        stopping = true;
        log.write(LogWriter::Level::Info, u"signal_received", QStringLiteral("Received a request to stop."),
                  {{QStringLiteral("signal"), AnyCodable{qint64(signalNumber)}}});
        stopAndQuit(*runtime, settings.shutdownGrace);
    });
    return app.exec();
}
