#include "CannedHttpServer.h"

#include <QHostAddress>
#include <QSslServer>
#include <QTcpSocket>

#include <cctype>

CannedHttpServer::CannedHttpServer(QList<QByteArray> answers, std::optional<QSslConfiguration> tls)
    : m_answers(std::move(answers)) {
    if (tls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(*tls);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &CannedHttpServer::accept);
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        qFatal("cannot listen on loopback: %s", qPrintable(m_server->errorString()));
    }
}

CannedHttpServer::~CannedHttpServer() = default;

quint16 CannedHttpServer::port() const {
    return m_server->serverPort();
}

QByteArray CannedHttpServer::answer(int status, const QByteArray& body, const QByteArray& extraHeaders) {
    return "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

void CannedHttpServer::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

void CannedHttpServer::serve(QTcpSocket* socket) {
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    if (!buffered.isEmpty() && !std::isupper(static_cast<unsigned char>(buffered.front()))) {
        // Not HTTP (a TLS hello, say): answer as web servers do, then hang up.
        socket->write(answer(400, "Bad Request", "Connection: close\r\n"));
        socket->disconnectFromHost();
        return;
    }
    for (;;) {
        const qsizetype headerEnd = buffered.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            break;
        }
        qsizetype contentLength = 0;
        for (const QByteArray& line : buffered.left(headerEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:")) {
                contentLength = line.mid(15).trimmed().toLongLong();
            }
        }
        const qsizetype requestSize = headerEnd + 4 + contentLength;
        if (buffered.size() < requestSize) {
            break;
        }
        m_requests.append(buffered.left(requestSize));
        buffered.remove(0, requestSize);
        if (!m_answers.isEmpty()) {
            socket->write(m_answers.at(std::min(m_requests.size(), m_answers.size()) - 1));
        }
    }
    socket->setProperty("buffered", buffered);
}
