#include "update/ReleaseManifestError.h"

#include <QCoreApplication>

ReleaseManifestError::ReleaseManifestError(Kind kind)
    : UserFacingError(
          QCoreApplication::translate("ReleaseManifestError", "The release manifest could not be loaded.")),
      m_kind(kind) {}
