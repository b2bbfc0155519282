#pragma once

#include "runtime/AnyCodable.h"

#include <QCoro/QCoroTask>

class ClientHttpSession;

// Logs in to qBittorrent's Web API v2 and reads its versions. Returns the
// capabilities; throws ClientCheckError. A failed login is never repeated:
// qBittorrent bans an address after a few of them.
QCoro::Task<AnyCodableMap> checkQbittorrent(ClientHttpSession& session);
