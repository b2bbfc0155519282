#include "model/DashboardSection.h"

QString rawValue(DashboardSection section) {
    switch (section) {
    case DashboardSection::Guide:
        return QStringLiteral("guide");
    case DashboardSection::Pairing:
        return QStringLiteral("pairing");
    case DashboardSection::Clients:
        return QStringLiteral("clients");
    case DashboardSection::Ready:
        return QStringLiteral("ready");
    }
    Q_UNREACHABLE();
    return QString();
}

const QList<DashboardSection>& allDashboardSections() {
    static const QList<DashboardSection> sections{DashboardSection::Guide, DashboardSection::Pairing,
                                                  DashboardSection::Clients, DashboardSection::Ready};
    return sections;
}
