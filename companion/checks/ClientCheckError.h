#pragma once

#include "common/UserFacingError.h"

#include <QString>

// Why a check of a torrent client failed: the auth state to store and the
// sentence the user reads.
class ClientCheckError : public UserFacingError {
public:
    ClientCheckError(QString authState, QString description);

    const QString& authState() const noexcept { return m_authState; }

private:
    QString m_authState;
};
