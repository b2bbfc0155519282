#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QUrl>

#include <functional>

// An HTTP/1.1 server on 127.0.0.1 that records every request exactly as it
// arrived and answers with whatever the test programs: an answer, nothing at
// all, bytes that are not HTTP, or an endless slow body.
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

    explicit RawHttpServer(QObject* parent = nullptr);

    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    void setResponder(std::function<Reply(const Request&)> responder) { m_responder = std::move(responder); }
    const QList<Request>& requests() const { return m_requests; }

private:
    QTcpServer m_server;
    QList<Request> m_requests;
    std::function<Reply(const Request&)> m_responder;
};
