#pragma once

#include "common/UserFacingError.h"

// The database cannot be opened, read or written; the text names the file and the reason.
class StorageError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};
