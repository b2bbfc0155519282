#pragma once

#include "common/UserFacingError.h"

// DownloadFailed: the update image could not be fetched as the feed promised:
// an answer outside 2xx, an address that is not https (loopback excepted) or a
// digest mismatch. TargetNotABundle: the running app is not a complete bundle of
// this app, which an update would replace.
class CompanionUpdateInstallerError : public UserFacingError {
public:
    enum class Kind { DownloadFailed, TargetNotABundle };

    // DownloadFailed: "The update download could not be completed."
    // TargetNotABundle: "Vendrilo Connect can only be updated from inside its app bundle."
    explicit CompanionUpdateInstallerError(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};
