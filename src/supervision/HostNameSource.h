#pragma once

#include <QString>

#include <functional>

// Where the runtime's -host-name comes from. It is asked at every launch, as
// the computer may have been renamed since the application started; a fixed
// name is a source that never changes.
class HostNameSource {
public:
    HostNameSource(QString fixed = {}) : m_read([name = std::move(fixed)] { return name; }) {}
    HostNameSource(std::function<QString()> read) : m_read(std::move(read)) {}

    QString current() const { return m_read ? m_read() : QString(); }

private:
    std::function<QString()> m_read;
};
