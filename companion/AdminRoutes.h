#pragma once

#include "companion/HttpReply.h"
#include "companion/IncomingRequest.h"

#include <QCoro/QCoroTask>

class CompanionCore;
class HttpService;

// The admin API the app talks to, plus the browser status page at "/".
class AdminRoutes {
public:
    static constexpr int defaultDiagnosticsLimit = 50;
    static constexpr int maxDiagnosticsLimit = 1000;
    static constexpr int maxDisplayNameLength = 64;

    explicit AdminRoutes(CompanionCore& core) : m_core(core) {}

    void install(HttpService& service);

private:
    QCoro::Task<HttpReply> healthz(const IncomingRequest& request);
    QCoro::Task<HttpReply> statusPage(const IncomingRequest& request);
    QCoro::Task<HttpReply> runtime(const IncomingRequest& request);
    QCoro::Task<HttpReply> health(const IncomingRequest& request);
    QCoro::Task<HttpReply> diagnostics(const IncomingRequest& request);
    QCoro::Task<HttpReply> pairingLink(const IncomingRequest& request);
    QCoro::Task<HttpReply> beginPairing(const IncomingRequest& request);
    QCoro::Task<HttpReply> resetPairing(const IncomingRequest& request);
    QCoro::Task<HttpReply> saveClient(const IncomingRequest& request);
    QCoro::Task<HttpReply> deleteClient(const IncomingRequest& request);
    QCoro::Task<HttpReply> probeClients(const IncomingRequest& request);
    QCoro::Task<HttpReply> updateDisplayName(const IncomingRequest& request);
    // The name trimmed; throws HttpError 400 for a blank, overlong or multi-line
    // name, or one that is not valid Unicode.
    static QString checkedName(const QString& requested);
    void rename(const QString& requested);

    CompanionCore& m_core;
};
