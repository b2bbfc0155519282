#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <chrono>

// One plain TCP connection attempt from the application itself: the first
// connection to a LAN address is what makes the system ask for, and then
// proves, local-network access.
namespace LocalNetworkConnectionProbe {

// Connects to the host text as given (a name or an address) and drops the
// connection at once. Completes exactly once: connected → returns; a
// definitive failure → LocalNetworkAccessError::probeFailed; neither within
// the timeout → timedOut; a port outside 1–65535 → invalidTarget without any
// attempt.
QCoro::Task<> probe(QString host, qint64 port, std::chrono::milliseconds timeout);

} // namespace LocalNetworkConnectionProbe
