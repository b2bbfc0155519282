#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>

class QNetworkReply;

// The built runtime executable, started on a free loopback port with its own
// data directory; stopped (SIGKILL if need be) when the object goes away.
class RuntimeProcess {
public:
    struct Answer {
        int status = 0;
        QByteArray body;
        QByteArray contentType;
    };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit RuntimeProcess(QString dataDir, QStringList environment = {});
    ~RuntimeProcess();

    // Starts the runtime and waits for its start line; false when it did not come.
    bool start();
    // The body of a save for a client on 127.0.0.1 with user "admin".
    static QByteArray clientJson(const QString& id, const QString& label, int port,
                                 const QString& type = QStringLiteral("qbittorrent"),
                                 const QString& password = QStringLiteral("secret"));
    // Runs the executable with these arguments to its end; returns its exit code.
    static int runToEnd(const QStringList& arguments, QByteArray* standardError);

    quint16 adminPort() const noexcept { return m_adminPort; }
    quint16 lanPort() const noexcept { return m_lanPort; }
    qint64 pid() const { return m_process.processId(); }
    QByteArray output();

    Answer get(const QString& pathAndQuery);
    Answer post(const QString& path, const QByteArray& body, const Headers& headers = {});
    QNetworkReply* postLater(const QString& path, const QByteArray& body);
    Answer lanPost(const QString& path, const QByteArray& body);
    Answer lanGet(const QString& path);
    // Writes a request as it is and reads the answer's status code.
    int rawStatus(const QByteArray& request);

    // SIGTERM; the exit code, or -1 when the process had not ended within the limit.
    int terminate(std::chrono::milliseconds limit);
    void kill();

    static Answer wait(QNetworkReply* reply);

private:
    Answer send(quint16 port, const QString& pathAndQuery, const QByteArray& method, const QByteArray& body,
                const Headers& headers);

    QString m_dataDir;
    QStringList m_environment;
    QProcess m_process;
    QByteArray m_output;
    QNetworkAccessManager m_network;
    quint16 m_adminPort = 0;
    quint16 m_lanPort = 0;
};
