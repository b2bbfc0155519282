#include "supervision/CompanionProcessError.h"

#include <QCoreApplication>

namespace {

QString describe(CompanionProcessError::Kind kind) {
    switch (kind) {
    case CompanionProcessError::Kind::MissingBundledRuntime:
        return QCoreApplication::translate("CompanionProcessError",
                                           "The bundled companion runtime was not found inside the app.");
    case CompanionProcessError::Kind::RuntimeDidNotBecomeReady:
        return QCoreApplication::translate(
            "CompanionProcessError", "The companion runtime did not become reachable on 127.0.0.1:46901.");
    case CompanionProcessError::Kind::RuntimeDidNotStop:
        return QCoreApplication::translate(
            "CompanionProcessError",
            "The older companion runtime could not be stopped before installing the new build.");
    }
    Q_UNREACHABLE();
}

} // namespace

CompanionProcessError::CompanionProcessError(Kind kind) : UserFacingError(describe(kind)), m_kind(kind) {}
