#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslConfiguration>

#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A loopback HTTP/1.1 server that answers the n-th request with the n-th canned
// answer (the last one repeats), over TLS when given a configuration. With no
// answers it accepts connections and never answers. Keeps every request it saw.
class CannedHttpServer : public QObject {
    Q_OBJECT
public:
    explicit CannedHttpServer(QList<QByteArray> answers, std::optional<QSslConfiguration> tls = std::nullopt);
    ~CannedHttpServer() override;

    quint16 port() const;
    const QList<QByteArray>& requests() const noexcept { return m_requests; }

    // A complete answer with a Content-Length; extra header lines end in "\r\n".
    static QByteArray answer(int status, const QByteArray& body, const QByteArray& extraHeaders = {});

private:
    void accept();
    void serve(QTcpSocket* socket);

    std::unique_ptr<QTcpServer> m_server;
    QList<QByteArray> m_answers;
    QList<QByteArray> m_requests;
};
