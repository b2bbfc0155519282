#include "ctl/ControlOptions.h"

#include "supervision/CompanionPaths.h"

namespace {

class ArgumentReader {
public:
    explicit ArgumentReader(const QStringList& arguments) : m_arguments(arguments) {}

    bool atEnd() const { return m_index >= m_arguments.size(); }
    const QString& peek() const { return m_arguments.at(m_index); }
    QString next() { return m_arguments.at(m_index++); }
    QString valueOf(const QString& option) {
        if (atEnd()) {
            throw ControlUsageError(QStringLiteral("%1 needs a value.").arg(option));
        }
        return next();
    }

private:
    const QStringList& m_arguments;
    qsizetype m_index = 0;
};

bool isHelp(const QString& argument) {
    return argument == u"--help" || argument == u"-h" || argument == u"help";
}

[[noreturn]] void unexpected(const QString& argument) {
    if (argument.startsWith(u'-')) {
        throw ControlUsageError(QStringLiteral("Unknown option %1.").arg(argument));
    }
    throw ControlUsageError(QStringLiteral("Unexpected argument %1.").arg(argument));
}

qint64 portValue(const QString& text) {
    bool ok = false;
    const qint64 port = text.toLongLong(&ok);
    if (!ok || port < 1 || port > 65535) {
        throw ControlUsageError(QStringLiteral("--port needs a number from 1 to 65535."));
    }
    return port;
}

ClientType clientTypeValue(const QString& text) {
    const std::optional<ClientType> type = clientTypeFromRaw(text);
    if (!type) {
        throw ControlUsageError(QStringLiteral("--type needs qbittorrent, transmission or deluge."));
    }
    return *type;
}

QUrl adminURLValue(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != u"http" || url.host().isEmpty() || url.port() <= 0) {
        throw ControlUsageError(
            QStringLiteral("--admin-url needs an address such as http://127.0.0.1:46901."));
    }
    return url;
}

void parseNewClient(ArgumentReader& reader, ControlOptions::NewClient& client) {
    bool hasLabel = false;
    while (!reader.atEnd()) {
        const QString option = reader.next();
        if (option == u"--label") {
            client.label = reader.valueOf(option);
            hasLabel = true;
        } else if (option == u"--type") {
            client.type = clientTypeValue(reader.valueOf(option));
        } else if (option == u"--host") {
            client.host = reader.valueOf(option);
        } else if (option == u"--port") {
            client.port = portValue(reader.valueOf(option));
        } else if (option == u"--username") {
            client.username = reader.valueOf(option);
        } else if (option == u"--password-stdin") {
            client.passwordFromStandardInput = true;
        } else if (option == u"--tls") {
            client.useTls = true;
        } else if (option == u"--insecure-skip-verify") {
            client.insecureSkipVerify = true;
        } else {
            unexpected(option);
        }
    }
    if (!hasLabel) {
        throw ControlUsageError(QStringLiteral("clients add needs --label."));
    }
}

void parseClients(ArgumentReader& reader, ControlOptions& options) {
    if (reader.atEnd()) {
        throw ControlUsageError(QStringLiteral("clients needs list, add, test or remove."));
    }
    const QString action = reader.next();
    if (action == u"list") {
        options.command = ControlOptions::Command::ClientsList;
        while (!reader.atEnd()) {
            const QString option = reader.next();
            option == u"--json" ? void(options.json = true) : unexpected(option);
        }
    } else if (action == u"add") {
        options.command = ControlOptions::Command::ClientsAdd;
        parseNewClient(reader, options.newClient);
    } else if (action == u"test" || action == u"remove") {
        options.command =
            action == u"test" ? ControlOptions::Command::ClientsTest : ControlOptions::Command::ClientsRemove;
        if (!reader.atEnd()) {
            options.clientReference = reader.next();
        }
        if (!reader.atEnd()) {
            unexpected(reader.peek());
        }
        if (options.command == ControlOptions::Command::ClientsRemove && options.clientReference.isEmpty()) {
            throw ControlUsageError(QStringLiteral("clients remove needs the id or label of a client."));
        }
    } else {
        throw ControlUsageError(QStringLiteral("Unknown clients action %1.").arg(action));
    }
}

void parseLogs(ArgumentReader& reader, ControlOptions& options) {
    while (!reader.atEnd()) {
        const QString option = reader.next();
        if (option == u"-f" || option == u"--follow") {
            options.follow = true;
        } else if (option == u"-n" || option == u"--lines") {
            bool ok = false;
            options.logLines = reader.valueOf(option).toInt(&ok);
            if (!ok || options.logLines < 0) {
                throw ControlUsageError(QStringLiteral("%1 needs a number of lines.").arg(option));
            }
        } else {
            unexpected(option);
        }
    }
}

// Commands that take no further arguments except --json where noted.
void parseBare(ArgumentReader& reader, ControlOptions& options, bool acceptsJson) {
    while (!reader.atEnd()) {
        const QString option = reader.next();
        if (acceptsJson && option == u"--json") {
            options.json = true;
        } else {
            unexpected(option);
        }
    }
}

} // namespace

ControlOptions ControlOptions::parse(const QStringList& arguments) {
    ControlOptions options;
    options.adminURL = CompanionPaths::dashboardBaseURL();
    ArgumentReader reader(arguments);

    while (!reader.atEnd() && reader.peek().startsWith(u'-')) {
        const QString option = reader.next();
        if (isHelp(option)) {
            return options;
        }
        if (option == u"--admin-url") {
            options.adminURL = adminURLValue(reader.valueOf(option));
        } else if (option == u"--no-start") {
            options.noStart = true;
        } else {
            unexpected(option);
        }
    }
    if (reader.atEnd()) {
        throw ControlUsageError(QStringLiteral("A command is missing."));
    }
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        return options;
    }

    const QString command = reader.next();
    if (isHelp(command)) {
        options.command = Command::Help;
    } else if (command == u"status") {
        options.command = Command::Status;
        parseBare(reader, options, true);
    } else if (command == u"pair" || command == u"unpair" || command == u"restart") {
        options.command = command == u"pair"     ? Command::Pair
                          : command == u"unpair" ? Command::Unpair
                                                 : Command::Restart;
        parseBare(reader, options, false);
    } else if (command == u"clients") {
        parseClients(reader, options);
    } else if (command == u"logs") {
        options.command = Command::Logs;
        parseLogs(reader, options);
    } else if (command == u"update") {
        if (reader.atEnd() || reader.next() != u"check") {
            throw ControlUsageError(QStringLiteral("update needs check."));
        }
        options.command = Command::UpdateCheck;
        parseBare(reader, options, false);
    } else {
        throw ControlUsageError(QStringLiteral("Unknown command %1.").arg(command));
    }
    return options;
}

QString ControlOptions::usage() {
    return QStringLiteral(
        "Usage: vendrilo-connect ctl [--admin-url URL] [--no-start] COMMAND\n"
        "\n"
        "Controls the companion runtime from a terminal, without a display. When no\n"
        "runtime answers, the bundled one is started (and left running), as the app does.\n"
        "\n"
        "Commands:\n"
        "  status [--json]            health, connection mode, pairing and clients\n"
        "  pair                       start pairing: code, link, QR code and expiry;\n"
        "                             waits for approval on the phone (Ctrl+C cancels)\n"
        "  unpair                     forget the paired phone\n"
        "  clients list [--json]      the configured torrent clients\n"
        "  clients add --label TEXT [--type qbittorrent|transmission|deluge]\n"
        "              [--host HOST] [--port N] [--username NAME] [--password-stdin]\n"
        "              [--tls] [--insecure-skip-verify]\n"
        "  clients test [ID|LABEL]    check one client, or all of them\n"
        "  clients remove ID|LABEL    remove a client\n"
        "  restart                    restart the companion runtime\n"
        "  logs [-f] [-n N]           the last N lines of the runtime log (default 20);\n"
        "                             -f keeps printing new lines until Ctrl+C\n"
        "  update check               ask the release feed for a newer version\n"
        "\n"
        "Options:\n"
        "  --admin-url URL            the runtime's admin API (default http://127.0.0.1:46901)\n"
        "  --no-start                 only talk to a runtime that already answers\n"
        "  -h, --help                 this text\n"
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  failure reported by the runtime (also: a pairing that ended without\n"
        "     approval, a tested client that does not work)\n"
        "  2  usage error\n"
        "  3  runtime unreachable\n");
}
