#pragma once

#include "ClientCheckError.h"
#include "ClientHttpAnswer.h"
#include "runtime/ClientConfig.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QJsonObject>
#include <QList>
#include <QNetworkCookie>
#include <QPair>
#include <QSslConfiguration>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

// The HTTP exchanges of one check: one deadline for all of them, the client's
// TLS trust (on connections of its own), and cookies kept to this check so that
// concurrent checks of clients on one host never see each other's sessions.
// Network failures come back as ClientCheckError; any HTTP status is returned.
class ClientHttpSession {
public:
    ClientHttpSession(QNetworkAccessManager& network, ClientConfig client, std::chrono::milliseconds timeout);
    ~ClientHttpSession();
    ClientHttpSession(const ClientHttpSession&) = delete;
    ClientHttpSession& operator=(const ClientHttpSession&) = delete;

    const ClientConfig& client() const noexcept { return m_client; }
    // "qBittorrent at 127.0.0.1:8080", for sentences.
    const QString& displayName() const noexcept { return m_displayName; }

    using Headers = QList<QPair<QByteArray, QByteArray>>;
    QCoro::Task<ClientHttpAnswer> get(const QString& path, const Headers& headers = {});
    QCoro::Task<ClientHttpAnswer> post(const QString& path, const QByteArray& contentType,
                                       const QByteArray& body, const Headers& headers = {});

    // An answer this check cannot use; `what` says what was wrong with it.
    ClientCheckError badResponse(const QString& what) const;
    ClientCheckError unexpectedStatus(const ClientHttpAnswer& answer, const QString& path) const;
    // The answer's body as a JSON object, or a bad response.
    QJsonObject jsonObject(const ClientHttpAnswer& answer, const QString& path) const;

private:
    QCoro::Task<ClientHttpAnswer> send(const QByteArray& verb, const QString& path,
                                       const QByteArray& contentType, const QByteArray& body,
                                       const Headers& headers);
    ClientCheckError networkFailure(int error, const QString& errorText, const QString& sslProblems) const;
    void keepCookies(const QList<QNetworkCookie>& cookies);

    std::unique_ptr<QNetworkAccessManager> m_privateNetwork;
    QNetworkAccessManager* m_network;
    ClientConfig m_client;
    QString m_displayName;
    QUrl m_origin;
    QSslConfiguration m_ssl;
    std::chrono::milliseconds m_timeout;
    QDeadlineTimer m_deadline;
    QList<QNetworkCookie> m_cookies;
};
