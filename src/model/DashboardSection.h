#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace DashboardSections {
Q_NAMESPACE
// The steps of the guided setup, in the order they are offered.
enum class DashboardSection { Guide, Pairing, Clients, Ready };
Q_ENUM_NS(DashboardSection)
} // namespace DashboardSections

using DashboardSection = DashboardSections::DashboardSection;

// "guide", "pairing", "clients", "ready"
QString rawValue(DashboardSection section);
const QList<DashboardSection>& allDashboardSections();
