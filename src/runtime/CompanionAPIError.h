#pragma once

#include "common/UserFacingError.h"

#include <QString>

#include <optional>

// Errors the API client raises itself (transport and decoding errors pass through as their own types).
class CompanionAPIError : public UserFacingError {
public:
    enum class Kind { RequestFailed, InvalidResponse };

    // Status outside 200–299: the message, else "The companion returned HTTP <code>."
    static CompanionAPIError requestFailed(int statusCode, std::optional<QString> message);
    // "The companion returned an invalid response."
    static CompanionAPIError invalidResponse();

    Kind kind() const noexcept { return m_kind; }
    int statusCode() const noexcept { return m_statusCode; }
    const std::optional<QString>& message() const noexcept { return m_message; }

private:
    CompanionAPIError(Kind kind, int statusCode, std::optional<QString> message, QString description);

    Kind m_kind;
    int m_statusCode = 0;
    std::optional<QString> m_message;
};

// A failed exchange below HTTP (refused, timed out, cancelled) with the platform's text.
class TransportError : public UserFacingError {
public:
    TransportError(int networkError, QString description)
        : UserFacingError(std::move(description)), m_networkError(networkError) {}
    // A time limit cut the exchange short: "The request timed out."
    static TransportError timedOut();
    // QNetworkReply::NetworkError
    int networkError() const noexcept { return m_networkError; }

private:
    int m_networkError;
};
