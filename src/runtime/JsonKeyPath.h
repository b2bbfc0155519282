#pragma once

#include <QLatin1StringView>
#include <QString>

namespace WireCoding::detail {

// Where a value sits in the document being decoded. Nodes live on the stack
// beside the recursion and become text only when decoding fails, so that a
// successful decode pays nothing for error reporting.
class JsonKeyPath {
public:
    JsonKeyPath() = default; // the document itself
    JsonKeyPath(const JsonKeyPath& parent, QLatin1StringView member) : m_parent(&parent), m_member(member) {}
    JsonKeyPath(const JsonKeyPath& parent, qsizetype index) : m_parent(&parent), m_index(index) {}

    // identity.pairing.status or clients[2].type, members in their wire form;
    // empty for the document itself.
    QString text() const;

private:
    const JsonKeyPath* m_parent = nullptr;
    QLatin1StringView m_member;
    qsizetype m_index = -1;
};

} // namespace WireCoding::detail
