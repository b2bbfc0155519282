#pragma once

#include "common/UserFacingError.h"

#include <QString>

// Why a local-network probe did not reach its target; the text tells the user
// how to grant the permission.
class LocalNetworkAccessError : public UserFacingError {
public:
    enum class Kind { InvalidTarget, TimedOut, ProbeFailed };

    static LocalNetworkAccessError invalidTarget(QString host, qint64 port);
    static LocalNetworkAccessError timedOut(QString host, qint64 port);
    // underlying: the platform's description of the connection failure.
    static LocalNetworkAccessError probeFailed(QString host, qint64 port, QString underlying);

    Kind kind() const noexcept { return m_kind; }
    const QString& host() const noexcept { return m_host; }
    qint64 port() const noexcept { return m_port; }
    const QString& underlying() const noexcept { return m_underlying; }

private:
    LocalNetworkAccessError(Kind kind, QString host, qint64 port, QString underlying, QString description);

    Kind m_kind;
    QString m_host;
    qint64 m_port;
    QString m_underlying;
};
