#pragma once

#include "ctl/ControlUsageError.h"
#include "runtime/WireEnums.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The parsed command line of `vendrilo-connect ctl`. parse() throws
// ControlUsageError for anything it does not understand.
struct ControlOptions {
    enum class Command {
        Help,
        Status,
        Pair,
        Unpair,
        ClientsList,
        ClientsAdd,
        ClientsTest,
        ClientsRemove,
        Restart,
        Logs,
        UpdateCheck,
    };

    struct NewClient {
        QString label;
        ClientType type = ClientType::Qbittorrent;
        std::optional<QString> host;
        std::optional<qint64> port;
        QString username;
        bool passwordFromStandardInput = false;
        bool useTls = false;
        bool insecureSkipVerify = false;
    };

    Command command = Command::Help;
    QUrl adminURL;
    // Only talk to a runtime that already answers; never start one.
    bool noStart = false;
    bool json = false;
    bool follow = false;
    int logLines = 20;
    // Id or label for clients test / remove; empty tests every client.
    QString clientReference;
    NewClient newClient;

    // The arguments after "ctl".
    static ControlOptions parse(const QStringList& arguments);
    static QString usage();
};
