#include "runtime/LocalNetworkAccessError.h"

#include <QCoreApplication>

namespace {

QString address(const QString& host, qint64 port) {
    return host % u':' % QString::number(port);
}

QString couldNotConnect(const QString& host, qint64 port) {
    return QCoreApplication::translate(
               "LocalNetworkAccessError",
               "Vendrilo Connect could not open a LAN connection to %1. If macOS asks for Local Network "
               "access, allow it and try again. If you already denied it, enable Vendrilo Connect in System "
               "Settings > Privacy & Security > Local Network.")
        .arg(address(host, port));
}

} // namespace

LocalNetworkAccessError::LocalNetworkAccessError(Kind kind, QString host, qint64 port, QString underlying,
                                                 QString description)
    : UserFacingError(std::move(description)), m_kind(kind), m_host(std::move(host)), m_port(port),
      m_underlying(std::move(underlying)) {}

LocalNetworkAccessError LocalNetworkAccessError::invalidTarget(QString host, qint64 port) {
    QString text = QCoreApplication::translate("LocalNetworkAccessError",
                                               "The local torrent-client address %1 is not valid.")
                       .arg(address(host, port));
    return {Kind::InvalidTarget, std::move(host), port, {}, std::move(text)};
}

LocalNetworkAccessError LocalNetworkAccessError::timedOut(QString host, qint64 port) {
    QString text = couldNotConnect(host, port);
    return {Kind::TimedOut, std::move(host), port, {}, std::move(text)};
}

LocalNetworkAccessError LocalNetworkAccessError::probeFailed(QString host, qint64 port, QString underlying) {
    QString text = QCoreApplication::translate("LocalNetworkAccessError", "%1 Details: %2")
                       .arg(couldNotConnect(host, port), underlying);
    return {Kind::ProbeFailed, std::move(host), port, std::move(underlying), std::move(text)};
}
