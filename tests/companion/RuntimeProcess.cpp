#include "RuntimeProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>

#include <csignal>

namespace {

constexpr int answerTimeoutMs = 10000;

QByteArray headerValue(const QByteArray& head, const char* name) {
    const QRegularExpression header(QStringLiteral("\r\n%1: *([^\r]*)").arg(QLatin1String(name)),
                                    QRegularExpression::CaseInsensitiveOption);
    return header.match(QString::fromLatin1(head)).captured(1).toLatin1();
}

} // namespace

QStringList RuntimeProcess::runArguments(const QString& dataDir) {
    // Not in the order the app writes them: any order will do.
    return {"run",      "-admin-listen", "127.0.0.1:0", "-agent-version", "9.9.9", "-host-name",
            "Test Box", "-platform",     "linux",       "-data-dir",      dataDir};
}

QProcessEnvironment RuntimeProcess::environment(const QStringList& entries) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry :
         QStringList{"VENDRILO_CONNECT_COMMAND_NAME=vendrilo-connect", "VENDRILO_CONNECT_LAN_PORT=0",
                     "VENDRILO_CONNECT_LOG_FORMAT=text", "VENDRILO_CONNECT_LOG_LEVEL=info"} +
             entries) {
        environment.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    return environment;
}

RuntimeProcess::RuntimeProcess(QString dataDir, QStringList environment, std::function<void()> childSetup)
    : m_dataDir(std::move(dataDir)), m_environment(std::move(environment)),
      m_childSetup(std::move(childSetup)) {}

RuntimeProcess::~RuntimeProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool RuntimeProcess::start() {
    m_process.setProcessEnvironment(environment(m_environment));
    m_process.setStandardInputFile(QProcess::nullDevice());
    if (m_childSetup) {
        m_process.setChildProcessModifier(m_childSetup);
    }
    m_process.start(QStringLiteral(COMPANION_EXECUTABLE), runArguments(m_dataDir));
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

int RuntimeProcess::runToEnd(const QStringList& arguments, QByteArray* standardError) {
    QProcess process;
    process.setProcessEnvironment(environment({}));
    process.start(QStringLiteral(COMPANION_EXECUTABLE), arguments);
    if (!process.waitForFinished(answerTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *standardError = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray RuntimeProcess::clientJson(const QString& id, const QString& label, int port, const QString& type,
                                      const QString& password) {
    return QStringLiteral(R"({"id":"%1","label":"%2","type":"%3","host_kind":"local","host":"127.0.0.1",)"
                          R"("port":%4,"username":"admin","password":"%5","use_tls":false,)"
                          R"("insecure_skip_verify":false})")
        .arg(id, label, type, QString::number(port), password)
        .toUtf8();
}

QByteArray RuntimeProcess::output() {
    m_output += m_process.readAllStandardOutput();
    m_output += m_process.readAllStandardError();
    return m_output;
}

RuntimeProcess::Answer RuntimeProcess::get(const QString& pathAndQuery, quint16 port) {
    return exchange(port ? port : m_adminPort, "GET " + pathAndQuery.toUtf8());
}

RuntimeProcess::Answer RuntimeProcess::post(const QString& path, const QByteArray& body, quint16 port) {
    return exchange(port ? port : m_adminPort, "POST " + path.toUtf8(),
                    "Host: 127.0.0.1:PORT\r\nContent-Type: application/json\r\n", body);
}

RuntimeProcess::Answer RuntimeProcess::save(const QString& id, const QString& label, int port,
                                            const QString& type, const QString& password) {
    return post(QStringLiteral("/v1/clients/save"), clientJson(id, label, port, type, password));
}

RuntimeProcess::Answer RuntimeProcess::exchange(quint16 port, const QByteArray& line,
                                                const QByteArray& headers, const QByteArray& body,
                                                const QString& from) {
    return read(*send(port, line, headers, body, from));
}

std::unique_ptr<QTcpSocket> RuntimeProcess::send(quint16 port, const QByteArray& line, QByteArray headers,
                                                 const QByteArray& body, const QString& from) {
    auto socket = std::make_unique<QTcpSocket>();
    if (!from.isEmpty()) {
        socket->bind(QHostAddress(from));
    }
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->waitForConnected(answerTimeoutMs);
    headers.replace("PORT", QByteArray::number(port));
    if (!body.isEmpty()) {
        headers += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    socket->write(line + " HTTP/1.1\r\n" + headers + "\r\n" + body);
    socket->waitForBytesWritten(answerTimeoutMs);
    return socket;
}

RuntimeProcess::Answer RuntimeProcess::read(QTcpSocket& socket) {
    QByteArray data;
    for (;;) {
        data += socket.readAll();
        const qsizetype headEnd = data.indexOf("\r\n\r\n");
        if (headEnd >= 0) {
            const QByteArray head = data.left(headEnd);
            const qsizetype length = headerValue(head, "Content-Length").toLongLong();
            if (data.size() >= headEnd + 4 + length) {
                // "HTTP/1.1 403 Forbidden"
                return {head.split(' ').value(1).toInt(), headerValue(head, "Content-Type"),
                        data.mid(headEnd + 4, length)};
            }
        }
        if (!socket.waitForReadyRead(answerTimeoutMs) && socket.bytesAvailable() == 0) {
            return {};
        }
    }
}

int RuntimeProcess::terminate(std::chrono::milliseconds limit, int signal) {
    ::kill(pid_t(m_process.processId()), signal);
    if (!m_process.waitForFinished(int(limit.count()))) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}
