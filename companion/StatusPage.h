#pragma once

#include "runtime/HealthSummary.h"
#include "runtime/RuntimeSnapshot.h"

#include <QByteArray>

// The browser dashboard: one self-contained HTML page (no scripts, no external
// assets) that reloads itself every 10 seconds. Every text is HTML-escaped.
namespace StatusPage {

QByteArray render(const RuntimeSnapshot& runtime, const HealthSummary& health);

} // namespace StatusPage
