#pragma once

#include "common/UserFacingError.h"

// The release feed answered, but not with the manifest (any status but 200).
class ReleaseManifestError : public UserFacingError {
public:
    enum class Kind { FetchFailed };

    // FetchFailed: "The release manifest could not be loaded."
    explicit ReleaseManifestError(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};
