#include "common/UserFacingError.h"

UserFacingError::UserFacingError(QString description)
    : m_description(std::move(description)), m_utf8(m_description.toUtf8()) {}

QString describeError(const std::exception& error) {
    if (const auto* userFacing = dynamic_cast<const UserFacingError*>(&error)) {
        return userFacing->description();
    }
    return QString::fromUtf8(error.what());
}
