#include "runtime/LocalNetworkHostRules.h"

#include <QString>
#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <optional>

namespace {

// inet_pton accepts only the strict dotted quad, so "10.1" or "010.1.2.3"
// are not mistaken for addresses.
template <int Family, std::size_t Size>
std::optional<std::array<std::uint8_t, Size>> parseAddress(const QString& text) {
    std::array<std::uint8_t, Size> bytes{};
    if (::inet_pton(Family, text.toLatin1().constData(), bytes.data()) != 1) {
        return std::nullopt;
    }
    return bytes;
}

bool isPrivateOrLinkLocal(const std::array<std::uint8_t, 4>& b) {
    return b[0] == 10 || (b[0] == 172 && (b[1] & 0xF0) == 0x10) || (b[0] == 192 && b[1] == 168) ||
           (b[0] == 169 && b[1] == 254);
}

bool isUniqueLocalOrLinkLocal(const std::array<std::uint8_t, 16>& b) {
    return (b[0] & 0xFE) == 0xFC || (b[0] == 0xFE && (b[1] & 0xC0) == 0x80);
}

} // namespace

bool isLikelyLANHost(QStringView host) {
    const QString text = host.trimmed().toString().toLower();
    if (text.endsWith(u".local")) {
        return true;
    }
    if (!text.contains(u'.')) {
        return true;
    }
    // Non-Latin-1 text cannot be an address; toLatin1 would turn it into '?'.
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    if (const auto v4 = parseAddress<AF_INET, 4>(text)) {
        return isPrivateOrLinkLocal(*v4);
    }
    // A scoped address ("fe80::1.2.3.4%eth0") is judged by its address part.
    const QString unscoped = text.section(u'%', 0, 0);
    if (const auto v6 = parseAddress<AF_INET6, 16>(unscoped)) {
        return isUniqueLocalOrLinkLocal(*v6);
    }
    return false;
}
