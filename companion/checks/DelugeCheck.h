#pragma once

#include "runtime/AnyCodable.h"

#include <QCoro/QCoroTask>

class ClientHttpSession;

// Logs in to Deluge's web JSON-RPC and asks whether the web interface is
// connected to a daemon, and the daemon's version when it is. Returns the
// capabilities; throws ClientCheckError.
QCoro::Task<AnyCodableMap> checkDeluge(ClientHttpSession& session);
