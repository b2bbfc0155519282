#pragma once

#include "common/UserFacingError.h"

// Why the runtime could not be brought up or replaced.
class CompanionProcessError : public UserFacingError {
public:
    enum class Kind { MissingBundledRuntime, RuntimeDidNotBecomeReady, RuntimeDidNotStop };

    explicit CompanionProcessError(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};
