#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QTcpSocket;

// The built runtime executable, started on a free loopback port with its own
// data directory; stopped (SIGKILL if need be) when the object goes away.
class RuntimeProcess {
public:
    struct Answer {
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    // childSetup runs in the child before the runtime starts (limits, descriptors).
    explicit RuntimeProcess(QString dataDir, QStringList environment = {},
                            std::function<void()> childSetup = {});
    ~RuntimeProcess();

    // Starts the runtime and waits for its start line; false when it did not come.
    bool start();
    // "run" on 127.0.0.1:0 with this data directory, and the environment it runs with.
    static QStringList runArguments(const QString& dataDir);
    static QProcessEnvironment environment(const QStringList& entries = {});
    // Runs the executable with these arguments to its end; returns its exit code.
    static int runToEnd(const QStringList& arguments, QByteArray* standardError);
    // The body of a save for a client on 127.0.0.1 with user "admin".
    static QByteArray clientJson(const QString& id, const QString& label, int port,
                                 const QString& type = QStringLiteral("qbittorrent"),
                                 const QString& password = QStringLiteral("secret"));

    quint16 adminPort() const noexcept { return m_adminPort; }
    quint16 lanPort() const noexcept { return m_lanPort; }
    qint64 pid() const { return m_process.processId(); }
    QByteArray output();

    // As the app sends them: to the admin port unless another is given.
    Answer get(const QString& pathAndQuery, quint16 port = 0);
    Answer post(const QString& path, const QByteArray& body, quint16 port = 0);
    Answer save(const QString& id, const QString& label, int port,
                const QString& type = QStringLiteral("qbittorrent"),
                const QString& password = QStringLiteral("secret"));
    // Writes "METHOD /path HTTP/1.1", the header lines as given (each ending in
    // "\r\n", "PORT" standing for the port) and the body with its length, from
    // the loopback address from (127.0.0.1 when empty).
    static std::unique_ptr<QTcpSocket> send(quint16 port, const QByteArray& line, QByteArray headers,
                                            const QByteArray& body = {}, const QString& from = {});
    static Answer read(QTcpSocket& socket);
    static Answer exchange(quint16 port, const QByteArray& line,
                           const QByteArray& headers = "Host: 127.0.0.1:PORT\r\n",
                           const QByteArray& body = {}, const QString& from = {});

    // SIGTERM (or another signal); the exit code, or -1 when the process had not ended within the limit.
    int terminate(std::chrono::milliseconds limit, int signal = 15);

private:
    QString m_dataDir;
    QStringList m_environment;
    std::function<void()> m_childSetup;
    QProcess m_process;
    QByteArray m_output;
    quint16 m_adminPort = 0;
    quint16 m_lanPort = 0;
};
