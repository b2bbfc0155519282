#pragma once

#include "companion/HttpReply.h"
#include "companion/IncomingRequest.h"

#include <QCoro/QCoroTask>

class CompanionCore;
class HttpService;

// What the phone reaches on the local network:
//   GET  /v1/lan/hello             who answers here (name, platform, pairing status, nonce)
//   POST /v1/lan/pairing/approve   {"code": "…", "trust_owner_id": "…"} approves the pending pairing
class LanRoutes {
public:
    explicit LanRoutes(CompanionCore& core) : m_core(core) {}

    void install(HttpService& service);

private:
    QCoro::Task<HttpReply> hello(const IncomingRequest& request);
    QCoro::Task<HttpReply> approve(const IncomingRequest& request);

    CompanionCore& m_core;
};
