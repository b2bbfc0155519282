#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>

namespace WireCoding::detail {

// The members of one record type in the order its shape visits them, each with
// the incoming keys that match it without conversion. Built once per type, so
// that decoding a well-formed object needs no key conversion at all.
class RecordMemberNames {
public:
    struct Member {
        QLatin1StringView name; // camel case, as in the record
        QString roundTripped;   // the name after snake → camel conversion (clientID → clientId)
        QStringList spellings;  // name, snake-case key and roundTripped, in JSON key order
    };

    template <typename F> void required(QLatin1StringView name, const F&) { add(name); }
    template <typename F> void optional(QLatin1StringView name, const F&) { add(name); }
    template <typename F> void defaulted(QLatin1StringView name, const F&) { add(name); }
    void eventId(QLatin1StringView name, const QString&) { add(name); }

    const QList<Member>& members() const { return m_members; }

private:
    void add(QLatin1StringView name);

    QList<Member> m_members;
};

template <typename R> const RecordMemberNames& memberNamesOf() {
    static const RecordMemberNames names = [] {
        RecordMemberNames collector;
        const R record{};
        describe(collector, record);
        return collector;
    }();
    return names;
}

} // namespace WireCoding::detail
