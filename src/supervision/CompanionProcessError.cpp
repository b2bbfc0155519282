#include "supervision/CompanionProcessError.h"

namespace {

QString describe(CompanionProcessError::Kind kind) {
    switch (kind) {
    case CompanionProcessError::Kind::MissingBundledRuntime:
        return QStringLiteral("The bundled companion runtime was not found inside the app.");
    case CompanionProcessError::Kind::RuntimeDidNotBecomeReady:
        return QStringLiteral("The companion runtime did not become reachable on 127.0.0.1:46901.");
    case CompanionProcessError::Kind::RuntimeDidNotStop:
        return QStringLiteral(
            "The older companion runtime could not be stopped before installing the new build.");
    }
    Q_UNREACHABLE();
}

} // namespace

CompanionProcessError::CompanionProcessError(Kind kind) : UserFacingError(describe(kind)), m_kind(kind) {}
