#pragma once

#include "common/UserFacingError.h"

// A request the runtime refuses: the HTTP status and the one sentence the app
// shows to the user as it is.
class HttpError : public UserFacingError {
public:
    HttpError(int status, QString sentence) : UserFacingError(std::move(sentence)), m_status(status) {}

    int status() const noexcept { return m_status; }

private:
    int m_status;
};
