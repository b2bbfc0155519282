#pragma once

#include "common/UserFacingError.h"

// The database cannot be opened, read or written; the text names the file and the reason.
class StorageError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

// The database file was deleted or replaced while the runtime ran: what it
// writes now would be lost. The text is the sentence for the user.
class StorageGoneError : public StorageError {
public:
    using StorageError::StorageError;
};
