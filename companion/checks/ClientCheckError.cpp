#include "ClientCheckError.h"

ClientCheckError::ClientCheckError(QString authState, QString description)
    : UserFacingError(std::move(description)), m_authState(std::move(authState)) {}
