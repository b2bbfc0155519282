#include "companion/ConnectionLimiter.h"

#include <QTcpSocket>

#include <algorithm>
#include <optional>

namespace {

constexpr QByteArrayView headEnd("\r\n\r\n");

} // namespace

ConnectionLimiter::ConnectionLimiter(QTcpSocket* socket, HttpLimits limits)
    : QObject(socket), m_socket(socket), m_limits(limits) {
    connect(socket, &QIODevice::readyRead, this, &ConnectionLimiter::inspect);
}

void ConnectionLimiter::inspect() {
    if (m_stage == Stage::Refused) {
        drain();
        return;
    }
    // Only peek: the HTTP parser reads the same bytes right after us.
    const QByteArray chunk = m_socket->peek(m_socket->bytesAvailable());
    qsizetype at = 0;
    while (at < chunk.size() && m_stage != Stage::Refused) {
        if (m_stage == Stage::Body) {
            const qint64 take = std::min<qint64>(m_bodyLeft, chunk.size() - at);
            m_bodyLeft -= take;
            at += take;
            if (m_bodyLeft == 0) {
                m_stage = Stage::Head;
            }
            continue;
        }
        const qsizetype before = m_head.size();
        m_head.append(chunk.constData() + at, chunk.size() - at);
        const qsizetype end = m_head.indexOf(headEnd, std::max<qsizetype>(0, before - 3));
        if (end < 0) {
            at = chunk.size();
            if (m_head.size() > m_limits.maxHeadBytes) {
                refuse(431, "Request Header Fields Too Large",
                       QStringLiteral("The request headers are too large."), 0);
            }
            break;
        }
        const qsizetype headLength = end + headEnd.size();
        at += headLength - before;
        m_consumedInChunk = at;
        const QByteArray head = m_head.left(headLength);
        m_head.clear();
        if (head.size() > m_limits.maxHeadBytes) {
            refuse(431, "Request Header Fields Too Large",
                   QStringLiteral("The request headers are too large."), 0);
            break;
        }
        if (acceptHead(head) && m_bodyLeft > 0) {
            m_stage = Stage::Body;
        }
    }
}

bool ConnectionLimiter::acceptHead(const QByteArray& head) {
    std::optional<qint64> contentLength;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding") {
            refuse(411, "Length Required",
                   QStringLiteral("Send the request body with a Content-Length header."), 0);
            return false;
        }
        if (name != "content-length") {
            continue;
        }
        bool ok = false;
        const qint64 length = value.toLongLong(&ok);
        const bool digitsOnly = !value.isEmpty() && std::all_of(value.begin(), value.end(),
                                                                [](char c) { return c >= '0' && c <= '9'; });
        if (!ok || !digitsOnly || (contentLength && *contentLength != length)) {
            refuse(400, "Bad Request", QStringLiteral("The request has an invalid Content-Length header."),
                   0);
            return false;
        }
        contentLength = length;
    }
    const qint64 length = contentLength.value_or(0);
    if (length > m_limits.maxBodyBytes) {
        refuse(413, "Payload Too Large", QStringLiteral("The request body is too large."), length);
        return false;
    }
    m_bodyLeft = length;
    return true;
}

void ConnectionLimiter::refuse(int status, QByteArrayView reason, const QString& sentence,
                               qint64 bodyToDrain) {
    m_stage = Stage::Refused;
    // Take the connection away from the parser: it must not buffer what follows.
    QObject::disconnect(m_socket, &QIODevice::readyRead, nullptr, nullptr);
    connect(m_socket, &QIODevice::readyRead, this, &ConnectionLimiter::drain);
    if (m_socket->isTransactionStarted()) {
        m_socket->commitTransaction();
    }
    const QByteArray body = sentence.toUtf8();
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason.toByteArray() +
        "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    m_socket->write(response);
    // Nothing of this chunk was read yet: the head in front of the body goes too.
    m_drainLeft = bodyToDrain <= m_limits.maxDrainBytes ? m_consumedInChunk + bodyToDrain : 0;
    drain();
}

void ConnectionLimiter::drain() {
    const qint64 available = m_socket->bytesAvailable();
    m_socket->skip(available);
    m_drainLeft = std::max<qint64>(0, m_drainLeft - available);
    if (m_drainLeft == 0) {
        m_socket->disconnectFromHost();
    }
}
