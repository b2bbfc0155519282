#include "companion/CommandLineOptions.h"

#include "companion/UsageError.h"

#include <QHash>

namespace {

const QString dataDirFlag = QStringLiteral("-data-dir");
const QString platformFlag = QStringLiteral("-platform");
const QString hostNameFlag = QStringLiteral("-host-name");
const QString agentVersionFlag = QStringLiteral("-agent-version");
const QString adminListenFlag = QStringLiteral("-admin-listen");

bool isLocalhostName(const QString& host) {
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0;
}

void parseAdminListen(const QString& text, CommandLineOptions& options) {
    const UsageError malformed(QStringLiteral("-admin-listen needs HOST:PORT, for example 127.0.0.1:46901."));
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0) {
        throw malformed;
    }
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        host = host.mid(1, host.size() - 2);
    } else if (host.contains(u':')) {
        throw malformed;
    }
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535) {
        throw malformed;
    }
    if (!isLocalhostName(host) && !QHostAddress(host).isLoopback()) {
        throw UsageError(QStringLiteral("The admin API only listens on a loopback address such as 127.0.0.1, "
                                        "and %1 is not one.")
                             .arg(host));
    }
    options.adminHost = host;
    options.adminPort = static_cast<quint16>(port);
}

} // namespace

CommandLineOptions CommandLineOptions::parse(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.first() != u"run") {
        throw UsageError(QStringLiteral("The first argument must be the command run."));
    }
    const QStringList flags{dataDirFlag, platformFlag, hostNameFlag, agentVersionFlag, adminListenFlag};
    QHash<QString, QString> values;
    for (qsizetype i = 1; i < arguments.size(); i += 2) {
        const QString& flag = arguments.at(i);
        if (!flags.contains(flag)) {
            throw UsageError(QStringLiteral("Unknown argument %1.").arg(flag));
        }
        if (values.contains(flag)) {
            throw UsageError(QStringLiteral("%1 is given more than once.").arg(flag));
        }
        if (i + 1 >= arguments.size() || arguments.at(i + 1).trimmed().isEmpty()) {
            throw UsageError(QStringLiteral("%1 needs a value.").arg(flag));
        }
        values.insert(flag, arguments.at(i + 1));
    }
    for (const QString& flag : flags) {
        if (!values.contains(flag)) {
            throw UsageError(QStringLiteral("%1 is missing.").arg(flag));
        }
    }
    CommandLineOptions options;
    options.dataDir = values.value(dataDirFlag);
    options.platform = values.value(platformFlag).trimmed();
    options.hostName = values.value(hostNameFlag).trimmed();
    options.agentVersion = values.value(agentVersionFlag).trimmed();
    parseAdminListen(values.value(adminListenFlag).trimmed(), options);
    return options;
}

QString CommandLineOptions::usage(const QString& commandName) {
    return QStringLiteral("usage: %1 run -data-dir DIR -platform NAME -host-name NAME -agent-version V "
                          "-admin-listen HOST:PORT\n")
        .arg(commandName);
}

QHostAddress CommandLineOptions::adminBindAddress() const {
    return isLocalhostName(adminHost) ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(adminHost);
}
