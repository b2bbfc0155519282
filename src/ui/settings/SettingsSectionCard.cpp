#include "ui/settings/SettingsSectionCard.h"

#include "ui/settings/SettingsSectionHeader.h"

#include <QVBoxLayout>

SettingsSectionCard::SettingsSectionCard(const QString& symbol, const QString& title, const QString& subtitle,
                                         QWidget* parent)
    : CompanionSurfaceCard(parent) {
    contentLayout()->setSpacing(14);
    contentLayout()->addWidget(new SettingsSectionHeader(symbol, title, subtitle, this));
}
