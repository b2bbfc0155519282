// A stand-in runtime for the supervision tests: answers /healthz and
// /v1/runtime on -admin-listen and logs its command line. VC_FAKE_RUNTIME holds
// comma-separated behaviours: ignore-term, no-listen, start-delay=<ms>,
// version=404|garbage|blank.

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const QStringList modes = qEnvironmentVariable("VC_FAKE_RUNTIME").split(u',', Qt::SkipEmptyParts);
    const auto option = [&arguments](const char* flag) {
        const qsizetype at = arguments.indexOf(QString::fromLatin1(flag));
        return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
    };
    const auto mode = [&modes](const QString& prefix) {
        for (const QString& entry : modes) {
            if (entry.startsWith(prefix)) {
                return entry.mid(prefix.size());
            }
        }
        return QString(u'?');
    };

    std::printf("args: %s\ncommand name: %s\n", qPrintable(arguments.join(u'|')),
                qPrintable(qEnvironmentVariable("VENDRILO_CONNECT_COMMAND_NAME")));
    std::fflush(stdout);
    std::fprintf(stderr, "stderr of the fake runtime\n");
    if (modes.contains(QStringLiteral("ignore-term"))) {
        std::signal(SIGTERM, SIG_IGN);
    }

    const QString version = option("-agent-version");
    const QString versionMode = mode(QStringLiteral("version="));
    QHttpServer server;
    server.route(QStringLiteral("/healthz"), [] {
        return QHttpServerResponse(
            QJsonObject{{QStringLiteral("ok"), true},
                        {QStringLiteral("ts"), QStringLiteral("2025-01-02T03:04:05.000Z")}});
    });
    server.route(QStringLiteral("/v1/runtime"), [version, versionMode]() -> QHttpServerResponse {
        if (versionMode == u"404") {
            return QHttpServerResponse(QHttpServerResponder::StatusCode::NotFound);
        }
        if (versionMode == u"garbage") {
            return QHttpServerResponse(QByteArray("{not json"));
        }
        const QString reported = versionMode == u"blank" ? QStringLiteral("  ") : version;
        return QHttpServerResponse(QJsonObject{
            {QStringLiteral("identity"), QJsonObject{{QStringLiteral("agent_version"), reported}}}});
    });

    const QStringList listen = option("-admin-listen").split(u':');
    const int delay = mode(QStringLiteral("start-delay=")).toInt();
    if (!modes.contains(QStringLiteral("no-listen"))) {
        QTimer::singleShot(delay, &app, [&] {
            if (listen.size() != 2 ||
                server.listen(QHostAddress(listen.at(0)), listen.at(1).toUShort()) == 0) {
                std::fprintf(stderr, "cannot listen on %s\n", qPrintable(listen.join(u':')));
                QCoreApplication::exit(1);
            }
        });
    }
    return app.exec();
}
