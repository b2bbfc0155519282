#pragma once

#include <QString>

#include <exception>

// A command line that cannot be run: the message says why.
class ControlUsageError : public std::exception {
public:
    explicit ControlUsageError(QString message) : m_message(std::move(message)) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return "usage"; }

private:
    QString m_message;
};
