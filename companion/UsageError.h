#pragma once

#include "common/UserFacingError.h"

// The command line or the environment asks for something the runtime does not understand.
class UsageError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};
