#pragma once

#include <QList>
#include <QString>

// The steps of the guided setup, in the order they are offered.
enum class DashboardSection { Guide, Pairing, Clients, Ready };

// "guide", "pairing", "clients", "ready"
QString rawValue(DashboardSection section);
const QList<DashboardSection>& allDashboardSections();
