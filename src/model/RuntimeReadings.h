#pragma once

#include "runtime/DiagnosticEvent.h"
#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

#include <QList>

#include <optional>

// What the runtime answered at the last refresh.
struct RuntimeReadings {
    std::optional<RuntimeSnapshot> runtime;
    std::optional<HealthSummary> health;
    QList<DiagnosticEvent> diagnostics;
};
