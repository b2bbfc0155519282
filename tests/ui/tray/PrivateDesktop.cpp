#include "PrivateDesktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace PrivateDesktop {

void reexecOnPrivateSessionBus(int argc, char** argv) {
    static const char* marker = "VC_PRIVATE_SESSION_BUS";
    if (!qEnvironmentVariableIsEmpty(marker)) {
        return;
    }
    qputenv(marker, "1");
    std::vector<char*> arguments{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    execvp(arguments.front(), arguments.data());
    std::perror("dbus-run-session");
    std::exit(1);
}

std::optional<QProcessEnvironment> startDisplay(QProcess& xvfb) {
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    // Xvfb names the display it took once it listens.
    if (!xvfb.waitForStarted() || !xvfb.waitForReadyRead(10000)) {
        return std::nullopt;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(xvfb.readLine()).trimmed());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return environment;
}

bool isolate(QProcessEnvironment& environment, const QTemporaryDir& home) {
    environment.insert(QStringLiteral("HOME"), home.path());
    for (const char* variable :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = home.filePath(QString::fromLatin1(variable));
        if (!QDir().mkpath(folder) ||
            !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            return false;
        }
        environment.insert(QString::fromLatin1(variable), folder);
    }
    environment.insert(QStringLiteral("VENDRILO_CONNECT_RELEASE_FEED_URL"),
                       QStringLiteral("http://127.0.0.1:9/companion.json"));
    return true;
}

QString output(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace PrivateDesktop
