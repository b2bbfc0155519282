#include "RuntimeProcess.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>

#include <csignal>

namespace {

constexpr int answerTimeoutMs = 10000;

QStringList baseArguments(const QString& dataDir) {
    return {"run",      "-data-dir",      dataDir, "-platform",     "linux",      "-host-name",
            "Test Box", "-agent-version", "9.9.9", "-admin-listen", "127.0.0.1:0"};
}

} // namespace

RuntimeProcess::RuntimeProcess(QString dataDir, QStringList environment)
    : m_dataDir(std::move(dataDir)), m_environment(std::move(environment)) {}

RuntimeProcess::~RuntimeProcess() {
    kill();
}

bool RuntimeProcess::start() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VENDRILO_CONNECT_COMMAND_NAME", "vendrilo-connect");
    environment.insert("VENDRILO_CONNECT_LAN_PORT", "0");
    environment.insert("VENDRILO_CONNECT_LOG_FORMAT", "text");
    environment.insert("VENDRILO_CONNECT_LOG_LEVEL", "info");
    for (const QString& entry : std::as_const(m_environment)) {
        environment.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    m_process.setProcessEnvironment(environment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_output.clear();
    m_process.start(QStringLiteral(COMPANION_EXECUTABLE), baseArguments(m_dataDir));
    static const QRegularExpression started(
        QStringLiteral(R"(runtime_started: .* admin_address=127\.0\.0\.1:(\d+) .*lan_port=(\d+))"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < answerTimeoutMs && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(100);
        const QRegularExpressionMatch match = started.match(QString::fromUtf8(output()));
        if (match.hasMatch()) {
            m_adminPort = quint16(match.captured(1).toUInt());
            m_lanPort = quint16(match.captured(2).toUInt());
            return true;
        }
    }
    return false;
}

QByteArray RuntimeProcess::clientJson(const QString& id, const QString& label, int port, const QString& type,
                                      const QString& password) {
    return QStringLiteral(R"({"id":"%1","label":"%2","type":"%3","host_kind":"local","host":"127.0.0.1",)"
                          R"("port":%4,"username":"admin","password":"%5","use_tls":false,)"
                          R"("insecure_skip_verify":false})")
        .arg(id, label, type, QString::number(port), password)
        .toUtf8();
}

int RuntimeProcess::runToEnd(const QStringList& arguments, QByteArray* standardError) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VENDRILO_CONNECT_COMMAND_NAME", "vendrilo-connect");
    environment.insert("VENDRILO_CONNECT_LAN_PORT", "0");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(COMPANION_EXECUTABLE), arguments);
    if (!process.waitForFinished(answerTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray RuntimeProcess::output() {
    m_output += m_process.readAllStandardOutput();
    m_output += m_process.readAllStandardError();
    return m_output;
}

RuntimeProcess::Answer RuntimeProcess::get(const QString& pathAndQuery) {
    return send(m_adminPort, pathAndQuery, "GET", {}, {});
}

RuntimeProcess::Answer RuntimeProcess::post(const QString& path, const QByteArray& body,
                                            const Headers& headers) {
    Headers all = headers;
    const bool hasType =
        std::any_of(all.begin(), all.end(), [](const auto& h) { return h.first == "Content-Type"; });
    if (!hasType) {
        all.append({QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")});
    }
    return send(m_adminPort, path, "POST", body, all);
}

QNetworkReply* RuntimeProcess::postLater(const QString& path, const QByteArray& body) {
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_adminPort).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    return m_network.post(request, body);
}

RuntimeProcess::Answer RuntimeProcess::lanPost(const QString& path, const QByteArray& body) {
    return send(m_lanPort, path, "POST", body, {{"Content-Type", "application/json"}});
}

RuntimeProcess::Answer RuntimeProcess::lanGet(const QString& path) {
    return send(m_lanPort, path, "GET", {}, {});
}

RuntimeProcess::Answer RuntimeProcess::send(quint16 port, const QString& pathAndQuery,
                                            const QByteArray& method, const QByteArray& body,
                                            const Headers& headers) {
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(pathAndQuery)));
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    return wait(method == "GET" ? m_network.get(request)
                                : m_network.sendCustomRequest(request, method, body));
}

RuntimeProcess::Answer RuntimeProcess::wait(QNetworkReply* reply) {
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(answerTimeoutMs);
    }
    Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                  reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
    reply->deleteLater();
    return answer;
}

int RuntimeProcess::rawStatus(const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_adminPort);
    if (!socket.waitForConnected(answerTimeoutMs)) {
        return 0;
    }
    socket.write(request);
    QByteArray answer;
    while (!answer.contains("\r\n") && socket.waitForReadyRead(answerTimeoutMs)) {
        answer += socket.readAll();
    }
    // "HTTP/1.1 403 Forbidden"
    return answer.split(' ').value(1).toInt();
}

int RuntimeProcess::terminate(std::chrono::milliseconds limit) {
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(int(limit.count()))) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void RuntimeProcess::kill() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}
