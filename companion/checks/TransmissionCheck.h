#pragma once

#include "runtime/AnyCodable.h"

#include <QCoro/QCoroTask>

class ClientHttpSession;

// Reads Transmission's session over its RPC interface, answering the session-id
// handshake once. Returns the capabilities; throws ClientCheckError.
QCoro::Task<AnyCodableMap> checkTransmission(ClientHttpSession& session);
