#include "companion/HttpService.h"

#include "companion/ConnectionLimiter.h"
#include "companion/HttpError.h"
#include "companion/LimitedTcpServer.h"
#include "companion/LogWriter.h"
#include "companion/StorageError.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QPointer>
#include <QTcpSocket>

#include <chrono>

HttpService::HttpService(QString name, const LogWriter& log, HttpLimits limits, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_log(log), m_server(new QHttpServer(this)),
      m_listener(new LimitedTcpServer(limits, this)) {
    m_server->setMissingHandler([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        serve(IncomingRequest::from(request), std::move(responder));
    });
}

void HttpService::addRoute(QByteArray method, QString path, Handler handler) {
    m_routes.append({std::move(method), std::move(path), std::move(handler)});
}

void HttpService::setGuard(Guard guard) {
    m_guard = std::move(guard);
}

void HttpService::listen(const QHostAddress& address, quint16 port) {
    if (!m_listener->listen(address, port)) {
        throw PlatformError(
            QStringLiteral("The %1 cannot listen on %2 port %3: %4.")
                .arg(m_name, address.toString(), QString::number(port), m_listener->errorString()));
    }
    m_server->bind(m_listener);
}

quint16 HttpService::port() const {
    return m_listener->serverPort();
}

void HttpService::stopListening() {
    m_stopping = true;
    m_listener->close();
    m_listener->closeConnectionsWhenIdle();
}

QCoro::Task<> HttpService::serve(IncomingRequest request, QHttpServerResponder responder) {
    // The connection may close while a handler waits; the socket tells.
    const QPointer<QTcpSocket> socket = responder.socket();
    const QPointer<HttpService> self = this;
    const auto started = std::chrono::steady_clock::now();
    if (socket) {
        request.localAddress = socket->localAddress();
    }
    // Once stopping, no new work starts: the request is refused and not logged.
    const bool refused = m_stopping;
    ++m_inFlight;
    HttpReply reply = HttpReply::text(503, QStringLiteral("The companion is stopping."));
    if (!refused) {
        // Not in a conditional expression: GCC 12 miscompiles co_await there.
        reply = co_await answer(request);
    }
    if (!self) {
        co_return;
    }
    --m_inFlight;
    if (!refused && m_log.isEnabled(LogWriter::Level::Debug)) {
        const auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started)
                .count();
        m_log.write(LogWriter::Level::Debug, u"http_request",
                    QString(QString::fromLatin1(request.method) + u' ' + request.path),
                    {{QStringLiteral("status"), AnyCodable{qint64(reply.status)}},
                     {QStringLiteral("micros"), AnyCodable{qint64(micros)}}});
    }
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
        co_return;
    }
    QHttpServerResponse response(reply.contentType, reply.body,
                                 static_cast<QHttpServerResponse::StatusCode>(reply.status));
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    response.addHeader(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"));
    for (const auto& [name, value] : reply.extraHeaders) {
        response.addHeader(name, value);
    }
    ConnectionLimiter* limiter = ConnectionLimiter::of(socket);
    if (limiter && limiter->closesAfterAnswer()) {
        response.addHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("close"));
    }
    response.write(std::move(responder));
    // Handed to the system now: a stop that finds no request in flight may end
    // the process at its next poll, and an answer still queued here would be lost.
    if (socket) {
        socket->flush();
    }
    if (limiter) {
        limiter->answered();
    }
}

QCoro::Task<HttpReply> HttpService::answer(const IncomingRequest& request) {
    std::optional<HttpReply> failure;
    try {
        if (m_guard) {
            m_guard(request);
        }
        const Route* match = nullptr;
        QList<QByteArray> allowed;
        for (const Route& route : std::as_const(m_routes)) {
            if (route.path != request.path) {
                continue;
            }
            if (route.method == request.method) {
                match = &route;
                break;
            }
            allowed.append(route.method);
        }
        if (!match && allowed.isEmpty()) {
            throw HttpError(404, QStringLiteral("There is nothing at this address."));
        }
        if (!match) {
            HttpReply reply = HttpReply::text(405, QStringLiteral("This address does not accept %1 requests.")
                                                       .arg(QString::fromLatin1(request.method)));
            reply.extraHeaders.append({QByteArrayLiteral("Allow"), allowed.join(", ")});
            co_return reply;
        }
        co_return co_await match->handler(request);
    } catch (const std::exception& error) {
        failure = errorReply(error, request);
    }
    co_return *failure;
}

HttpReply HttpService::errorReply(const std::exception& error, const IncomingRequest& request) const {
    const QString where = QString::fromLatin1(request.method) + u' ' + request.path;
    if (const auto* refused = dynamic_cast<const HttpError*>(&error)) {
        return HttpReply::text(refused->status(), refused->description());
    }
    if (const auto* storage = dynamic_cast<const StorageError*>(&error)) {
        m_log.write(LogWriter::Level::Error, u"storage_failed", storage->description(),
                    {{QStringLiteral("request"), AnyCodable{where}}});
        if (dynamic_cast<const StorageGoneError*>(&error)) {
            return HttpReply::text(500, QStringLiteral("The companion’s data folder was deleted or replaced "
                                                       "while it ran, so nothing was saved; restart the "
                                                       "companion."));
        }
        return HttpReply::text(500, QStringLiteral("The companion could not save or read its data."));
    }
    m_log.write(LogWriter::Level::Error, u"request_failed", describeError(error),
                {{QStringLiteral("request"), AnyCodable{where}}});
    return HttpReply::text(500, QStringLiteral("The companion could not complete the request."));
}
