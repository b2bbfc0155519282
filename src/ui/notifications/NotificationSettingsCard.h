#pragma once

#include "system/NotificationKind.h"

#include <QHash>
#include <QWidget>

class NotificationPreferences;
class QCheckBox;

// The settings window's notification switches: one check box per kind, bound
// to the stored preference both ways.
class NotificationSettingsCard : public QWidget {
    Q_OBJECT
public:
    NotificationSettingsCard(NotificationPreferences& preferences, QWidget* parent = nullptr);

    // The label of a kind's switch.
    static QString title(NotificationKind kind);

private:
    void syncFromPreferences();

    NotificationPreferences& m_preferences;
    QHash<NotificationKind, QCheckBox*> m_switches;
};
