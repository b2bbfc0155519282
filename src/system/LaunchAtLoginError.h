#pragma once

#include "common/UserFacingError.h"

// A login-item change that did not happen.
class LaunchAtLoginError : public UserFacingError {
public:
    enum class Kind { OperationFailed, UnsupportedOS };

    // The platform's own text, shown as it is.
    static LaunchAtLoginError operationFailed(QString message);
    // No login-item service: "Start at login needs macOS 13 or newer."
    static LaunchAtLoginError unsupportedOS();

    Kind kind() const noexcept { return m_kind; }

private:
    LaunchAtLoginError(Kind kind, QString description);

    Kind m_kind;
};
