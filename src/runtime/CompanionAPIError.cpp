#include "runtime/CompanionAPIError.h"

#include <QCoreApplication>
#include <QNetworkReply>

CompanionAPIError::CompanionAPIError(Kind kind, int statusCode, std::optional<QString> message,
                                     QString description)
    : UserFacingError(std::move(description)), m_kind(kind), m_statusCode(statusCode),
      m_message(std::move(message)) {}

CompanionAPIError CompanionAPIError::requestFailed(int statusCode, std::optional<QString> message) {
    QString description =
        message ? *message
                : QCoreApplication::translate("CompanionAPIError", "The companion returned HTTP %1.")
                      .arg(statusCode);
    return CompanionAPIError(Kind::RequestFailed, statusCode, std::move(message), std::move(description));
}

CompanionAPIError CompanionAPIError::invalidResponse() {
    return CompanionAPIError(
        Kind::InvalidResponse, 0, std::nullopt,
        QCoreApplication::translate("CompanionAPIError", "The companion returned an invalid response."));
}

TransportError TransportError::timedOut() {
    return TransportError(QNetworkReply::TimeoutError,
                          QCoreApplication::translate("TransportError", "The request timed out."));
}
