#include "update/SemVer.h"

#include <QList>

#include <tuple>

namespace {

std::optional<qint64> parseNumber(QStringView piece) {
    if (piece.isEmpty()) {
        return std::nullopt;
    }
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const qint64 value = piece.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// Punctuation before digits before letters, as a person sorting names would expect.
int characterClass(QChar c) {
    if (c.isDigit()) {
        return 1;
    }
    return c.isLetter() ? 2 : 0;
}

qsizetype digitRunEnd(QStringView text, qsizetype from) {
    while (from < text.size() && text[from].isDigit()) {
        ++from;
    }
    return from;
}

// Compares two runs of digits by value, whatever their length: leading zeros
// are dropped, then the longer number is the larger one.
std::weak_ordering compareDigitRuns(QStringView lhs, QStringView rhs) {
    const auto stripZeros = [](QStringView run) {
        qsizetype start = 0;
        while (start + 1 < run.size() && run[start].digitValue() == 0) {
            ++start;
        }
        return run.sliced(start);
    };
    lhs = stripZeros(lhs);
    rhs = stripZeros(rhs);
    if (lhs.size() != rhs.size()) {
        return lhs.size() <=> rhs.size();
    }
    for (qsizetype i = 0; i < lhs.size(); ++i) {
        if (const auto order = lhs[i].digitValue() <=> rhs[i].digitValue(); order != 0) {
            return order;
        }
    }
    return std::weak_ordering::equivalent;
}

// A locale-independent stand-in for a file browser's name ordering:
// case-insensitive, digit runs compared as numbers.
std::weak_ordering compareTags(QStringView lhs, QStringView rhs) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < lhs.size() && j < rhs.size()) {
        if (lhs[i].isDigit() && rhs[j].isDigit()) {
            const qsizetype lhsEnd = digitRunEnd(lhs, i);
            const qsizetype rhsEnd = digitRunEnd(rhs, j);
            if (const auto order = compareDigitRuns(lhs.sliced(i, lhsEnd - i), rhs.sliced(j, rhsEnd - j));
                order != 0) {
                return order;
            }
            i = lhsEnd;
            j = rhsEnd;
            continue;
        }
        const QChar a = lhs[i].toCaseFolded();
        const QChar b = rhs[j].toCaseFolded();
        if (const auto order = characterClass(a) <=> characterClass(b); order != 0) {
            return order;
        }
        if (const auto order = a.unicode() <=> b.unicode(); order != 0) {
            return order;
        }
        ++i;
        ++j;
    }
    return (lhs.size() - i) <=> (rhs.size() - j);
}

} // namespace

std::optional<SemVer> SemVer::parse(QStringView text) {
    text = text.trimmed();
    if (text.startsWith(u'v')) {
        text = text.sliced(1);
    }
    if (const qsizetype plus = text.indexOf(u'+'); plus >= 0) {
        text = text.first(plus);
    }
    QStringView core = text;
    QStringView prerelease;
    if (const qsizetype hyphen = text.indexOf(u'-'); hyphen >= 0) {
        core = text.first(hyphen);
        prerelease = text.sliced(hyphen + 1);
    }
    const auto pieces = core.split(u'.');
    if (pieces.size() < 3) {
        return std::nullopt;
    }
    const auto major = parseNumber(pieces[0]);
    const auto minor = parseNumber(pieces[1]);
    const auto patch = parseNumber(pieces[2]);
    if (!major || !minor || !patch) {
        return std::nullopt;
    }
    return SemVer{*major, *minor, *patch, prerelease.toString()};
}

std::strong_ordering SemVer::compare(const SemVer& other) const {
    if (const auto order = std::tie(major, minor, patch) <=> std::tie(other.major, other.minor, other.patch);
        order != 0) {
        return order;
    }
    if (prerelease == other.prerelease) {
        return std::strong_ordering::equal;
    }
    if (prerelease.isEmpty()) {
        return std::strong_ordering::greater;
    }
    if (other.prerelease.isEmpty()) {
        return std::strong_ordering::less;
    }
    return compareTags(prerelease, other.prerelease) < 0 ? std::strong_ordering::less
                                                         : std::strong_ordering::greater;
}
