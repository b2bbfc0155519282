#pragma once

#include "model/StatusTint.h"

#include <QString>
#include <QStringView>

// The symbol and colour of a diagnostic in the settings window, by its level
// in any letter case: errors red, warnings orange, everything else neutral.
struct SettingsIssueStyle {
    QString symbol;
    StatusTint tint;

    static SettingsIssueStyle forLevel(QStringView level);
};
