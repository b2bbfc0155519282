#include "CannedRuntimeServer.h"

#include "runtime/WireCoding.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

CannedRuntimeServer::CannedRuntimeServer(QObject* parent) : QObject(parent) {
    // No routes: every request reaches the one handler.
    m_server.setMissingHandler([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(request, std::move(responder));
    });
    m_port = m_server.listen(QHostAddress::LocalHost, 0);
}

void CannedRuntimeServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    m_requests.append({request.url().path(), request.url().query(QUrl::FullyDecoded), request.body()});
    const Answer answer =
        m_answers.value(request.url().path(), Answer{404, QByteArrayLiteral("no answer here"), {}});
    const auto status = static_cast<QHttpServerResponder::StatusCode>(answer.status);
    if (answer.delay.count() == 0) {
        responder.write(answer.body, "application/json", status);
        return;
    }
    // The client may give up first; then its connection is gone and nothing is written.
    const QPointer<QTcpSocket> connection = responder.socket();
    auto later = std::make_shared<QHttpServerResponder>(std::move(responder));
    QTimer::singleShot(answer.delay, this, [later, connection, answer, status] {
        if (connection && connection->state() == QAbstractSocket::ConnectedState) {
            later->write(answer.body, "application/json", status);
        }
    });
}

void CannedRuntimeServer::serveHealthyRuntime(const RuntimeSnapshot& snapshot, const HealthSummary& health) {
    setAnswer(u"/healthz"_qs, {200, QByteArrayLiteral(R"({"ok":true,"ts":"2025-03-04T05:06:07Z"})"), {}});
    setAnswer(u"/v1/runtime"_qs, {200, WireCoding::encode(snapshot), {}});
    setAnswer(u"/v1/health"_qs, {200, WireCoding::encode(health), {}});
    setAnswer(u"/v1/diagnostics"_qs, {200, WireCoding::encodeList(QList{diagnostic(u"first"_qs)}), {}});
}

int CannedRuntimeServer::count(const QString& path, const QString& query) const {
    return static_cast<int>(
        std::count_if(m_requests.cbegin(), m_requests.cend(), [&](const Request& request) {
            return request.path == path && (query.isEmpty() || request.query == query);
        }));
}

qsizetype CannedRuntimeServer::lastIndexOf(const QString& path) const {
    const auto last = std::find_if(m_requests.crbegin(), m_requests.crend(),
                                   [&](const Request& request) { return request.path == path; });
    return std::distance(last, m_requests.crend()) - 1;
}

QJsonObject CannedRuntimeServer::lastBody(const QString& path) const {
    const qsizetype index = lastIndexOf(path);
    return index < 0 ? QJsonObject() : QJsonDocument::fromJson(m_requests.at(index).body).object();
}

RuntimeSnapshot CannedRuntimeServer::snapshot(PairingStatus status, const QString& code) {
    RuntimeSnapshot snapshot;
    snapshot.state = u"running"_qs;
    snapshot.identity = {{}, {}, u"janes-box"_qs, u"linux"_qs, u"1.0.0"_qs, {}};
    snapshot.identity.pairing.status = status;
    if (!code.isEmpty()) {
        snapshot.identity.pairing.code = code;
    }
    return snapshot;
}

HealthSummary CannedRuntimeServer::health(CompanionHealthStatus status, const QString& mode) {
    HealthSummary health;
    health.status = status;
    health.checkedAt = QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC);
    health.connection.mode = mode;
    return health;
}

DiagnosticEvent CannedRuntimeServer::diagnostic(const QString& code) {
    return {u"1"_qs,
            u"info"_qs,
            code,
            u"Something happened."_qs,
            QDateTime::fromSecsSinceEpoch(1741064767, Qt::UTC),
            std::nullopt};
}

ClientConfig CannedRuntimeServer::client(const QString& id, const QString& label, qint64 port) {
    ClientConfig config;
    std::tie(config.id, config.label, config.host, config.port) =
        std::tuple(id, label, u"localhost"_qs, port);
    return config;
}
