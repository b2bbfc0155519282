#include "runtime/LocalNetworkConnectionProbe.h"

#include "common/ContinuousSleep.h"
#include "runtime/LocalNetworkAccessError.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <optional>

namespace LocalNetworkConnectionProbe {

QCoro::Task<> probe(QString host, qint64 port, std::chrono::milliseconds timeout) {
    if (port <= 0 || port > 65535) {
        throw LocalNetworkAccessError::invalidTarget(host, port);
    }

    QTcpSocket socket;
    // The permission is granted to direct connections; a proxy would hide them.
    socket.setProxy(QNetworkProxy::NoProxy);

    // The first of connected, failed and the deadline wins; later events see
    // an outcome and do nothing, and the socket is dropped exactly once.
    std::optional<std::exception_ptr> outcome;
    SleepCanceller deadline;
    QObject receiver;
    const auto finish = [&](std::exception_ptr failure) {
        if (outcome) {
            return;
        }
        outcome = failure;
        QObject::disconnect(&socket, nullptr, &receiver, nullptr);
        socket.abort();
        deadline.cancel();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &receiver, [&] { finish(nullptr); });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &receiver, [&] {
        finish(
            std::make_exception_ptr(LocalNetworkAccessError::probeFailed(host, port, socket.errorString())));
    });

    socket.connectToHost(host, static_cast<quint16>(port));
    if (co_await continuousSleep(timeout, &deadline)) {
        finish(std::make_exception_ptr(LocalNetworkAccessError::timedOut(host, port)));
    }
    if (*outcome) {
        std::rethrow_exception(*outcome);
    }
}

} // namespace LocalNetworkConnectionProbe
