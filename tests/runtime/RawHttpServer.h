#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// An HTTP/1.1 server on 127.0.0.1, over TLS when given a configuration, that
// records every request as it arrived and answers with whatever the test
// programs: an answer, nothing at all, bytes that are not HTTP, or an endless
// slow body. What is not HTTP (a TLS hello, say) gets a 400, as web servers do.
class RawHttpServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray target;                    // path and query as sent
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Reply {
        enum class Kind { Answer, Silence, Bytes, Trickle };
        Kind kind = Kind::Answer;
        int status = 200;
        QByteArray body;    // the answer's body, or the raw bytes sent instead of HTTP
        QByteArray headers; // further header lines of an answer, each ending in CRLF

        static Reply answer(int status, QByteArray body, QByteArray headers = {}) {
            return {Kind::Answer, status, std::move(body), std::move(headers)};
        }
        static Reply silence() { return {Kind::Silence, 0, {}, {}}; }
        static Reply bytes(QByteArray raw) { return {Kind::Bytes, 0, std::move(raw), {}}; }
        // Headers, then a 600-byte body at one byte every 10 ms: never idle, done only after 6 s.
        static Reply trickle() { return {Kind::Trickle, 200, {}, {}}; }
    };
    using Responder = std::function<Reply(const Request&)>;

    explicit RawHttpServer(std::optional<QSslConfiguration> tls = std::nullopt);

    // The n-th request gets the n-th reply; the last one repeats.
    static Responder inTurn(QList<Reply> replies);

    quint16 port() const { return m_server->serverPort(); }
    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port())); }
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    const QList<Request>& requests() const { return m_requests; }

private:
    std::unique_ptr<QTcpServer> m_server;
    QList<Request> m_requests;
    Responder m_responder;
};
