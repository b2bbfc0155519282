#pragma once

#include "common/UserFacingError.h"

// The update image could not be fetched as the feed promised: an answer
// outside 2xx, an address that is not https (loopback excepted) or a digest mismatch.
class CompanionUpdateInstallerError : public UserFacingError {
public:
    enum class Kind { DownloadFailed };

    // DownloadFailed: "The update download could not be completed."
    explicit CompanionUpdateInstallerError(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};
