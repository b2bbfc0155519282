#include "runtime/WireCoding.h"

#include <QCoreApplication>

namespace WireCoding {

namespace {

// Reads `count` decimal digits at `pos`; -1 when any of them is not a digit.
int digits(QStringView text, qsizetype pos, int count) {
    if (pos + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

bool isAt(QStringView text, qsizetype pos, char16_t expected) {
    return pos < text.size() && text[pos].unicode() == expected;
}

// RFC 3339 internet date-time, fractional seconds optional (any number of
// digits, kept to the millisecond). The result is in UTC and lies within the
// years 1–9999, so that it can always be written back in the same form.
std::optional<QDateTime> parseInternetDateTime(QStringView text) {
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || !isAt(text, 4, u'-') ||
        !isAt(text, 7, u'-') || !isAt(text, 10, u'T') || !isAt(text, 13, u':') || !isAt(text, 16, u':')) {
        return std::nullopt;
    }
    qsizetype pos = 19;
    int millisecond = 0;
    if (isAt(text, pos, u'.')) {
        ++pos;
        const qsizetype fractionStart = pos;
        while (pos < text.size() && text[pos].unicode() >= u'0' && text[pos].unicode() <= u'9') {
            if (pos - fractionStart < 3) {
                millisecond = millisecond * 10 + (text[pos].unicode() - u'0');
            }
            ++pos;
        }
        const qsizetype fractionDigits = pos - fractionStart;
        if (fractionDigits == 0) {
            return std::nullopt;
        }
        for (qsizetype i = fractionDigits; i < 3; ++i) {
            millisecond *= 10;
        }
    }
    int offsetSeconds = 0;
    if (isAt(text, pos, u'Z') && pos + 1 == text.size()) {
        offsetSeconds = 0;
    } else if ((isAt(text, pos, u'+') || isAt(text, pos, u'-')) && pos + 6 == text.size() &&
               isAt(text, pos + 3, u':')) {
        const int offsetHours = digits(text, pos + 1, 2);
        const int offsetMinutes = digits(text, pos + 4, 2);
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = (offsetHours * 60 + offsetMinutes) * 60 * (isAt(text, pos, u'-') ? -1 : 1);
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (year < 1 || !date.isValid() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const QDateTime utc =
        QDateTime(date, QTime(hour, minute, second, millisecond), Qt::UTC).addSecs(-offsetSeconds);
    if (utc.date().year() < 1 || utc.date().year() > 9999) {
        return std::nullopt;
    }
    return utc;
}

} // namespace

QDateTime parseDate(QStringView text) {
    if (auto date = parseInternetDateTime(text)) {
        return *date;
    }
    throw DecodingError(
        QCoreApplication::translate("DecodingError", "Unsupported ISO-8601 date: %1").arg(text));
}

QString formatDate(const QDateTime& date) {
    // An invalid date is written as an empty text, which no decoder accepts.
    if (!date.isValid()) {
        return {};
    }
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", day.year(), day.month(), day.day(),
                             time.hour(), time.minute(), time.second(), time.msec());
}

} // namespace WireCoding
