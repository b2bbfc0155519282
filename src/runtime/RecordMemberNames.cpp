#include "runtime/RecordMemberNames.h"

#include "runtime/WireCoding.h"

namespace WireCoding::detail {

void RecordMemberNames::add(QLatin1StringView name) {
    const QString snake = snakeCaseKey(QString(name));
    Member member{name, camelCaseKey(snake), {QString(name), snake}};
    member.spellings.append(member.roundTripped);
    member.spellings.sort(); // a JSON object iterates its keys in this order
    member.spellings.removeDuplicates();
    m_members.append(std::move(member));
}

} // namespace WireCoding::detail
