#include "companion/ConnectionLimiter.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

constexpr QByteArrayView headEnd("\r\n\r\n");

bool isValidRequestLine(const QByteArray& line) {
    // METHOD SP request-target SP HTTP/1.x
    static const QRegularExpression shape(QStringLiteral("^[A-Z]{1,16} [^\\s]{1,8192} HTTP/1\\.[01]$"));
    return shape.match(QLatin1StringView(line)).hasMatch();
}

bool hasToken(const QByteArray& value, QByteArrayView token) {
    const QList<QByteArray> tokens = value.toLower().split(',');
    return std::any_of(tokens.begin(), tokens.end(),
                       [&](const QByteArray& entry) { return entry.trimmed() == token; });
}

} // namespace

ConnectionLimiter::ConnectionLimiter(QTcpSocket* socket, HttpLimits limits, QString refusal)
    : QObject(socket), m_socket(socket), m_limits(limits), m_refusal(std::move(refusal)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("ConnectionLimiter"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ConnectionLimiter::timedOut);
    connect(socket, &QIODevice::readyRead, this, &ConnectionLimiter::inspect);
    // The head of the first request is due from the opening on.
    m_timer->start(m_limits.headerTimeout);
}

ConnectionLimiter* ConnectionLimiter::of(QTcpSocket* socket) {
    return socket ? socket->findChild<ConnectionLimiter*>(QStringLiteral("ConnectionLimiter"),
                                                          Qt::FindDirectChildrenOnly)
                  : nullptr;
}

bool ConnectionLimiter::closesAfterAnswer() const {
    return m_closing || (!m_waiting.isEmpty() && m_waiting.first());
}

void ConnectionLimiter::answered() {
    const bool close = closesAfterAnswer();
    if (!m_waiting.isEmpty()) {
        m_waiting.removeFirst();
    }
    if (close) {
        m_stage = Stage::Refused;
        QObject::disconnect(m_socket, &QIODevice::readyRead, nullptr, nullptr);
        connect(m_socket, &QIODevice::readyRead, this, &ConnectionLimiter::drain);
        m_drainLeft = 0;
        m_timer->stop();
        // Waits for the answer to be written, then closes.
        m_socket->disconnectFromHost();
        return;
    }
    rearm();
}

void ConnectionLimiter::closeWhenIdle() {
    m_closing = true;
    if (m_waiting.isEmpty() && m_stage != Stage::Refused) {
        m_stage = Stage::Refused;
        QObject::disconnect(m_socket, &QIODevice::readyRead, nullptr, nullptr);
        m_timer->stop();
        m_socket->disconnectFromHost();
    }
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
                requestComplete();
            } else {
                m_timer->start(m_limits.idleTimeout); // bytes keep coming
            }
            continue;
        }
        const qsizetype before = m_head.size();
        if (!m_headDue) {
            // The first byte of a head after an answer: the rest is due within the header timeout.
            m_headDue = true;
            m_timer->start(m_limits.headerTimeout);
        }
        m_head.append(chunk.constData() + at, chunk.size() - at);
        const qsizetype end = m_head.indexOf(headEnd, std::max<qsizetype>(0, before - 3));
        if (end < 0) {
            at = chunk.size();
            const qsizetype lineEnd = m_head.indexOf('\n');
            if (lineEnd >= 0 && !isValidRequestLine(m_head.left(lineEnd).trimmed())) {
                refuse(400, "Bad Request", QStringLiteral("The request line is not valid HTTP."), 0);
            } else if (m_head.size() > m_limits.maxHeadBytes) {
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
        if (acceptHead(head)) {
            if (m_bodyLeft > 0) {
                m_stage = Stage::Body;
                // A body keeps the connection busy as long as its bytes keep coming.
                m_timer->start(m_limits.idleTimeout);
            } else {
                requestComplete();
            }
        }
    }
}

bool ConnectionLimiter::acceptHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QByteArray requestLine = lines.value(0).trimmed();
    if (!isValidRequestLine(requestLine)) {
        refuse(400, "Bad Request", QStringLiteral("The request line is not valid HTTP."), 0);
        return false;
    }
    std::optional<qint64> contentLength;
    bool close = requestLine.endsWith("HTTP/1.0");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "connection") {
            close = hasToken(value, "close") || (close && !hasToken(value, "keep-alive"));
            continue;
        }
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
    if (!m_refusal.isEmpty()) {
        refuse(403, "Forbidden", m_refusal, length);
        return false;
    }
    if (length > m_limits.maxBodyBytes) {
        refuse(413, "Payload Too Large", QStringLiteral("The request body is too large."), length);
        return false;
    }
    m_bodyLeft = length;
    m_closeOnAnswer = close;
    return true;
}

void ConnectionLimiter::requestComplete() {
    m_waiting.append(m_closeOnAnswer);
    m_headDue = false;
    // The handler takes its time; no timer runs until it answers.
    m_timer->stop();
}

void ConnectionLimiter::rearm() {
    if (m_stage == Stage::Refused || !m_waiting.isEmpty()) {
        m_timer->stop();
    } else if (m_stage == Stage::Body) {
        m_timer->start(m_limits.idleTimeout);
    } else if (!m_head.isEmpty()) {
        // A head already under way keeps its deadline.
    } else if (m_closing) {
        closeWhenIdle();
    } else {
        m_timer->start(m_limits.idleTimeout);
    }
}

void ConnectionLimiter::timedOut() {
    if (m_stage == Stage::Refused || !m_waiting.isEmpty()) {
        return;
    }
    if (!m_head.isEmpty() || m_socket->bytesAvailable() > 0) {
        refuse(408, "Request Timeout", QStringLiteral("The request headers did not arrive in time."), 0);
        return;
    }
    closeWhenIdle();
}

void ConnectionLimiter::refuse(int status, QByteArrayView reason, const QString& sentence,
                               qint64 bodyToDrain) {
    m_stage = Stage::Refused;
    m_timer->stop();
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
