// A stand-in runtime for the supervision tests: answers /healthz and /v1/runtime on
// -admin-listen and logs its command line. VC_FAKE_RUNTIME holds comma-separated
// behaviours: ignore-term, no-listen, slow-start, version=404|garbage|blank.

#include <QCoreApplication>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QStringList modes = qEnvironmentVariable("VC_FAKE_RUNTIME").split(u',');
    const auto option = [&arguments](const char* flag) {
        return arguments.value(arguments.indexOf(flag) + 1);
    };
    std::printf("args: %s\ncommand name: %s\n", qPrintable(arguments.mid(1).join(u'|')),
                qPrintable(qEnvironmentVariable("VENDRILO_CONNECT_COMMAND_NAME")));
    std::fflush(stdout);
    std::fprintf(stderr, "stderr of the fake runtime\n");
    if (modes.contains("ignore-term")) {
        std::signal(SIGTERM, SIG_IGN);
    }

    QHttpServer server;
    server.route("/healthz", [] { return QJsonObject{{"ok", true}, {"ts", "2025-01-02T03:04:05.000Z"}}; });
    const QString version = modes.contains("version=blank") ? "  " : option("-agent-version");
    server.route("/v1/runtime", [&modes, &version]() -> QHttpServerResponse {
        if (modes.contains("version=404")) {
            return QHttpServerResponder::StatusCode::NotFound;
        }
        if (modes.contains("version=garbage")) {
            return QHttpServerResponse(QByteArray("{not json"));
        }
        return QJsonObject{{"identity", QJsonObject{{"agent_version", version}}}};
    });

    const QStringList listen = option("-admin-listen").split(u':');
    if (!modes.contains("no-listen")) {
        QTimer::singleShot(modes.contains("slow-start") ? 150 : 0, &app, [&] {
            if (listen.size() != 2 ||
                server.listen(QHostAddress(listen.at(0)), listen.at(1).toUShort()) == 0) {
                std::fprintf(stderr, "cannot listen on %s\n", qPrintable(listen.join(u':')));
                QCoreApplication::exit(1);
            }
        });
    }
    return app.exec();
}
