#include "ui/settings/RelativeTimeText.h"

#include <QCoreApplication>

#include <array>
#include <cstdlib>

namespace {

struct Unit {
    qint64 seconds;
    const char* pastOne;
    const char* pastMany;
    const char* futureOne;
    const char* futureMany;
};

// Months and years by their average length: an issue list needs no calendar arithmetic.
constexpr std::array units{
    Unit{365 * 86400, QT_TRANSLATE_NOOP("RelativeTimeText", "last year"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 years ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "next year"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 years")},
    Unit{30 * 86400, QT_TRANSLATE_NOOP("RelativeTimeText", "last month"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 months ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "next month"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 months")},
    Unit{7 * 86400, QT_TRANSLATE_NOOP("RelativeTimeText", "last week"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 weeks ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "next week"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 weeks")},
    Unit{86400, QT_TRANSLATE_NOOP("RelativeTimeText", "yesterday"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 days ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "tomorrow"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 days")},
    Unit{3600, QT_TRANSLATE_NOOP("RelativeTimeText", "1 hour ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 hours ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in 1 hour"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 hours")},
    Unit{60, QT_TRANSLATE_NOOP("RelativeTimeText", "1 minute ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 minutes ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in 1 minute"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 minutes")},
    Unit{1, QT_TRANSLATE_NOOP("RelativeTimeText", "1 second ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "%1 seconds ago"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in 1 second"),
         QT_TRANSLATE_NOOP("RelativeTimeText", "in %1 seconds")},
};

QString translated(const char* text) {
    return QCoreApplication::translate("RelativeTimeText", text);
}

} // namespace

QString relativeTimeText(const QDateTime& time, const QDateTime& now) {
    const qint64 offset = now.secsTo(time);
    const qint64 distance = std::llabs(offset);
    for (const Unit& unit : units) {
        const qint64 count = distance / unit.seconds;
        if (count == 0) {
            continue;
        }
        if (count == 1) {
            return translated(offset < 0 ? unit.pastOne : unit.futureOne);
        }
        return translated(offset < 0 ? unit.pastMany : unit.futureMany).arg(count);
    }
    return translated(QT_TRANSLATE_NOOP("RelativeTimeText", "now"));
}
