#pragma once

#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

#include <QByteArray>
#include <QHash>
#include <QHttpServer>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>

// A stand-in for the runtime's admin API on 127.0.0.1 (a free port): every
// path answers what the test set, optionally after a delay, and every request
// is recorded. Paths without an answer get 404.
class CannedRuntimeServer : public QObject {
    Q_OBJECT
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        std::chrono::milliseconds delay{0};
    };
    struct Request {
        QString path;
        QString query;
        QByteArray body;
    };

    explicit CannedRuntimeServer(QObject* parent = nullptr);

    QUrl baseURL() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }
    void setAnswer(const QString& path, Answer answer) { m_answers.insert(path, std::move(answer)); }
    // A runtime that /healthz reports healthy, with one diagnostic.
    void serveHealthyRuntime(const RuntimeSnapshot& snapshot, const HealthSummary& health);

    const QList<Request>& requests() const { return m_requests; }
    int count(const QString& path, const QString& query = {}) const;
    // Index of the last request to path, -1 when there was none.
    qsizetype lastIndexOf(const QString& path) const;
    // The JSON object the last request to path sent; empty when there was none.
    QJsonObject lastBody(const QString& path) const;

    // Records with every required member filled, ready to be adjusted by a test.
    static RuntimeSnapshot snapshot(PairingStatus status = PairingStatus::Unpaired, const QString& code = {});
    static HealthSummary health(CompanionHealthStatus status = CompanionHealthStatus::Healthy,
                                const QString& mode = QStringLiteral("local_and_relay_ready"));
    static DiagnosticEvent diagnostic(const QString& code);
    static ClientConfig client(const QString& id, const QString& label, qint64 port);

private:
    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);

    QHttpServer m_server;
    quint16 m_port = 0;
    QHash<QString, Answer> m_answers;
    QList<Request> m_requests;
};
