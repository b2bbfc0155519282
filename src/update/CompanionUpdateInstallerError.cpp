#include "update/CompanionUpdateInstallerError.h"

CompanionUpdateInstallerError::CompanionUpdateInstallerError(Kind kind)
    : UserFacingError(QStringLiteral("The update download could not be completed.")), m_kind(kind) {}
