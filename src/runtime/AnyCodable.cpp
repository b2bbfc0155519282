#include "runtime/AnyCodable.h"

#include <QHashFunctions>
#include <QLocale>

QString AnyCodable::description() const {
    return std::visit(
        [](const auto& held) -> QString {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, bool>) {
                return held ? QStringLiteral("true") : QStringLiteral("false");
            } else if constexpr (std::is_same_v<Held, double>) {
                return QString::number(held, 'g', QLocale::FloatingPointShortest);
            } else if constexpr (std::is_same_v<Held, qint64>) {
                return QString::number(held);
            } else {
                return held;
            }
        },
        value);
}

size_t qHash(const AnyCodable& value, size_t seed) {
    // The alternative's index keeps 1, 1.0, true and "1" apart.
    const size_t held = std::visit(
        [seed](const auto& v) -> size_t {
            using Held = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<Held, bool>) {
                return ::qHash(static_cast<int>(v), seed);
            } else {
                return ::qHash(v, seed);
            }
        },
        value.value);
    return qHashMulti(seed, value.value.index(), held);
}
