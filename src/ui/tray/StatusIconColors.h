#pragma once

#include <QColor>

// The colours of one drawing of the tray icon, already resolved from the
// model's tints.
struct StatusIconColors {
    QColor status;
    // No badge when invalid.
    QColor badge;

    bool operator==(const StatusIconColors&) const = default;
};
