#pragma once

#include <QObject>

namespace StatusTints {
Q_NAMESPACE
// Status colours by role; the interface maps each to its palette.
enum class StatusTint { Green, Orange, Yellow, Red, Blue, Secondary };
Q_ENUM_NS(StatusTint)
} // namespace StatusTints

using StatusTint = StatusTints::StatusTint;
