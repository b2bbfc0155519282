#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <optional>

// A release version as the release feed writes it: major.minor.patch, an
// optional prerelease tag after the first "-"; build metadata after "+" is ignored.
struct SemVer {
    qint64 major = 0;
    qint64 minor = 0;
    qint64 patch = 0;
    QString prerelease; // empty for a release

    // Accepts one leading lower-case "v" and surrounding whitespace; pieces after
    // the third dot-separated number are ignored.
    static std::optional<SemVer> parse(QStringView text);

    // Numbers first; a release beats any prerelease; two different tags compare
    // case-insensitively with digit runs by numeric value, and a tag that does not
    // sort strictly before the other counts as greater (so "RC1" and "rc1" are each
    // "greater" than the other and neither is older).
    std::strong_ordering compare(const SemVer& other) const;

    friend bool operator==(const SemVer&, const SemVer&) = default;
};

// The ordering the update checks use: true when lhs is older than rhs.
inline bool operator<(const SemVer& lhs, const SemVer& rhs) {
    return lhs.compare(rhs) == std::strong_ordering::less;
}
