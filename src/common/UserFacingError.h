#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Base of every error the application shows to a person: it carries the
// sentence the user sees. Concrete error types derive from it and fix their texts.
class UserFacingError : public std::exception {
public:
    explicit UserFacingError(QString description);

    // The user-facing text (may be empty; callers fall back to an action's own sentence).
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// A failure reported by the platform (file system, process launch) with its own text.
class PlatformError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

// The user-facing text of any exception: our own errors give their description,
// anything else its what() text.
QString describeError(const std::exception& error);
