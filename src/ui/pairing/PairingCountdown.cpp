#include "ui/pairing/PairingCountdown.h"

#include <QCoreApplication>
#include <QLocale>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("PairingCountdown", text);
}
} // namespace

std::optional<PairingCountdownSnapshot>
PairingCountdown::snapshot(const std::optional<RuntimeSnapshot>& runtime, const QDateTime& now) {
    if (!runtime || !runtime->identity.pairing.expiresAt) {
        return std::nullopt;
    }
    const QDateTime expiresAt = *runtime->identity.pairing.expiresAt;
    const qint64 milliseconds = now.msecsTo(expiresAt);
    // Rounded up: 0.2 s left still shows one second.
    const qint64 remaining = milliseconds > 0 ? (milliseconds + 999) / 1000 : 0;
    return PairingCountdownSnapshot{expiresAt, remaining};
}

QString PairingCountdown::text(const std::optional<PairingCountdownSnapshot>& snapshot) {
    if (!snapshot) {
        return tr("Preparing expiry timer");
    }
    const qint64 remaining = snapshot->remainingSeconds;
    if (remaining <= 0) {
        return tr("Code expired");
    }
    const qint64 hours = remaining / 3600;
    const qint64 minutes = (remaining % 3600) / 60;
    const qint64 seconds = remaining % 60;
    if (remaining < 3600) {
        return tr("%1:%2 remaining")
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(seconds, 2, 10, QLatin1Char('0'));
    }
    return tr("%1:%2:%3 remaining")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'));
}

std::optional<StatusTint> PairingCountdown::tint(const std::optional<PairingCountdownSnapshot>& snapshot) {
    if (!snapshot) {
        return std::nullopt;
    }
    if (snapshot->remainingSeconds <= 0) {
        return StatusTint::Red;
    }
    if (snapshot->remainingSeconds <= 60) {
        return StatusTint::Orange;
    }
    return std::nullopt;
}

QString PairingCountdown::expiryLine(const std::optional<PairingCountdownSnapshot>& snapshot) {
    if (!snapshot) {
        return {};
    }
    return tr("Expires at %1")
        .arg(QLocale().toString(snapshot->expiresAt.toLocalTime().time(), QLocale::ShortFormat));
}
