#pragma once

#include "companion/HttpLimits.h"
#include "companion/HttpReply.h"
#include "companion/IncomingRequest.h"

#include <QCoro/QCoroTask>
#include <QHostAddress>
#include <QHttpServerResponder>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class LimitedTcpServer;
class LogWriter;
class QHttpServer;

// One HTTP listener with a fixed table of routes. Every request is answered by
// a coroutine, so a handler may wait (client checks do) without holding up the
// others; an exception becomes a plain-text error answer.
class HttpService : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<QCoro::Task<HttpReply>(const IncomingRequest&)>;
    // Runs before routing; throws HttpError to refuse the request.
    using Guard = std::function<void(const IncomingRequest&)>;

    HttpService(QString name, const LogWriter& log, HttpLimits limits = {}, QObject* parent = nullptr);

    // Register before listening; handlers must not be coroutine lambdas with
    // captures (the lambda object may move), so forward to member coroutines.
    void addRoute(QByteArray method, QString path, Handler handler);
    void setGuard(Guard guard);

    // Throws PlatformError when the address cannot be bound.
    void listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    // Stops accepting connections; requests that arrive on open ones are
    // refused (503) and each connection closes once its requests are answered.
    void stopListening();
    int requestsInFlight() const noexcept { return m_inFlight; }

private:
    struct Route {
        QByteArray method;
        QString path;
        Handler handler;
    };

    QCoro::Task<> serve(IncomingRequest request, QHttpServerResponder responder);
    QCoro::Task<HttpReply> answer(const IncomingRequest& request);
    HttpReply errorReply(const std::exception& error, const IncomingRequest& request) const;

    QString m_name;
    const LogWriter& m_log;
    QHttpServer* m_server;
    LimitedTcpServer* m_listener;
    QList<Route> m_routes;
    Guard m_guard;
    int m_inFlight = 0;
    bool m_stopping = false;
};
