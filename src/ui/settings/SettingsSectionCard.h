#pragma once

#include "ui/components/CompanionSurfaceCard.h"

// A settings section: a surface card opened by its header.
class SettingsSectionCard : public CompanionSurfaceCard {
    Q_OBJECT
public:
    SettingsSectionCard(const QString& symbol, const QString& title, const QString& subtitle,
                        QWidget* parent = nullptr);
};
