#include "update/CompanionUpdateInstallerError.h"

#include <QCoreApplication>

namespace {

QString descriptionOf(CompanionUpdateInstallerError::Kind kind) {
    switch (kind) {
    case CompanionUpdateInstallerError::Kind::DownloadFailed:
        return QCoreApplication::translate("CompanionUpdateInstallerError",
                                           "The update download could not be completed.");
    case CompanionUpdateInstallerError::Kind::TargetNotABundle:
        return QCoreApplication::translate(
            "CompanionUpdateInstallerError",
            "Vendrilo Connect can only be updated from inside its app bundle.");
    }
    return {};
}

} // namespace

CompanionUpdateInstallerError::CompanionUpdateInstallerError(Kind kind)
    : UserFacingError(descriptionOf(kind)), m_kind(kind) {}
