#pragma once

#include "model/StatusTint.h"
#include "runtime/RuntimeSnapshot.h"

#include <QDateTime>
#include <QString>

#include <optional>

// How long the pending pairing code has left, as the pairing popup shows it.
struct PairingCountdownSnapshot {
    QDateTime expiresAt;
    qint64 remainingSeconds = 0; // never negative
};

namespace PairingCountdown {
// No runtime record or no expiry: none. Otherwise the seconds left, rounded up.
std::optional<PairingCountdownSnapshot> snapshot(const std::optional<RuntimeSnapshot>& runtime,
                                                 const QDateTime& now);
// "Preparing expiry timer", "Code expired", "05:00 remaining", "1:00:00 remaining".
QString text(const std::optional<PairingCountdownSnapshot>& snapshot);
// Red when expired, orange in the last minute; none means the primary colour
// (or, without a snapshot, the secondary one).
std::optional<StatusTint> tint(const std::optional<PairingCountdownSnapshot>& snapshot);
// "Expires at 14:05", in the user's locale; empty without a snapshot.
QString expiryLine(const std::optional<PairingCountdownSnapshot>& snapshot);
} // namespace PairingCountdown
