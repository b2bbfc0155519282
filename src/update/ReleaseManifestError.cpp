#include "update/ReleaseManifestError.h"

ReleaseManifestError::ReleaseManifestError(Kind kind)
    : UserFacingError(QStringLiteral("The release manifest could not be loaded.")), m_kind(kind) {}
