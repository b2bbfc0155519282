#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// The command line the app starts the runtime with:
//   run -data-dir DIR -platform NAME -host-name NAME -agent-version V -admin-listen HOST:PORT
// (flag pairs in any order, each exactly once).
struct CommandLineOptions {
    QString dataDir;
    QString platform;
    QString hostName;
    QString agentVersion;
    QString adminHost;     // as written, without brackets: 127.0.0.1, localhost, ::1
    quint16 adminPort = 0; // 0 picks a free port, announced in the log

    // The arguments after the program name. Throws UsageError naming the problem;
    // an admin address that is not loopback is refused.
    static CommandLineOptions parse(const QStringList& arguments);
    static QString usage(const QString& commandName);

    QHostAddress adminBindAddress() const;
};
