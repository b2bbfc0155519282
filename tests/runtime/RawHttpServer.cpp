#include "RawHttpServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>

namespace {

// Takes one complete request off the front of the buffer.
std::optional<RawHttpServer::Request> takeRequest(QByteArray& buffer) {
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return std::nullopt;
    }
    RawHttpServer::Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (const QByteArray& line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const qsizetype end = headerEnd + 4 + request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < end) {
        return std::nullopt;
    }
    request.body = buffer.mid(headerEnd + 4, end - headerEnd - 4);
    buffer.remove(0, end);
    return request;
}

void respond(QTcpSocket* socket, const RawHttpServer::Reply& reply) {
    using Reply = RawHttpServer::Reply;
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
        QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        timer->start(10);
        return;
    }
    case Reply::Kind::Answer:
        socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                      " Status\r\nContent-Type: application/json\r\n" + reply.headers +
                      "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n" + reply.body);
        return;
    }
}

} // namespace

RawHttpServer::RawHttpServer(std::optional<QSslConfiguration> tls) {
    if (tls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(*tls);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    // A TLS server has a connection pending only after its handshake.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (!buffer->isEmpty() && !std::isupper(static_cast<unsigned char>(buffer->front()))) {
                    respond(socket, Reply::bytes("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n"
                                                 "Content-Length: 0\r\n\r\n"));
                    return;
                }
                while (const auto request = takeRequest(*buffer)) {
                    m_requests.append(*request);
                    respond(socket, m_responder ? m_responder(*request) : Reply{});
                }
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        qFatal("cannot listen on loopback: %s", qPrintable(m_server->errorString()));
    }
}

RawHttpServer::Responder RawHttpServer::inTurn(QList<Reply> replies) {
    return [replies = std::move(replies), served = qsizetype(0)](const Request&) mutable {
        return replies.at(std::min(served++, replies.size() - 1));
    };
}
