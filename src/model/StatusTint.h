#pragma once

// Status colours by role; the interface maps each to its palette.
enum class StatusTint { Green, Orange, Yellow, Red, Blue, Secondary };
