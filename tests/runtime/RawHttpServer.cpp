#include "RawHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

RawHttpServer::RawHttpServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &RawHttpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl RawHttpServer::baseURL() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

void RawHttpServer::accept() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            while (const auto request = takeRequest(*buffer)) {
                m_requests.append(*request);
                respond(socket, m_responder ? m_responder(*request) : Reply{});
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void RawHttpServer::respond(QTcpSocket* socket, const Reply& reply) {
    switch (reply.kind) {
    case Reply::Kind::Silence:
        return;
    case Reply::Kind::Bytes:
        socket->write(reply.body);
        socket->disconnectFromHost();
        return;
    case Reply::Kind::Trickle: {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 600\r\n\r\n");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        timer->start(10);
        return;
    }
    case Reply::Kind::Answer:
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                      " Status\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        return;
    }
}

std::optional<RawHttpServer::Request> RawHttpServer::takeRequest(QByteArray& buffer) {
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return std::nullopt;
    }
    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length) {
        return std::nullopt;
    }
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    return request;
}
