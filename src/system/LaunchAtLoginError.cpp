#include "system/LaunchAtLoginError.h"

#include <QCoreApplication>

LaunchAtLoginError::LaunchAtLoginError(Kind kind, QString description)
    : UserFacingError(std::move(description)), m_kind(kind) {}

LaunchAtLoginError LaunchAtLoginError::operationFailed(QString message) {
    return {Kind::OperationFailed, std::move(message)};
}

LaunchAtLoginError LaunchAtLoginError::unsupportedOS() {
    return {Kind::UnsupportedOS,
            QCoreApplication::translate("LaunchAtLoginError", "Start at login needs macOS 13 or newer.")};
}
