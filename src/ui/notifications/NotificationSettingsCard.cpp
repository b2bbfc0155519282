#include "ui/notifications/NotificationSettingsCard.h"

#include "system/NotificationPreferences.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

NotificationSettingsCard::NotificationSettingsCard(NotificationPreferences& preferences, QWidget* parent)
    : QWidget(parent), m_preferences(preferences) {
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(tr("Notifications"), this);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    for (const NotificationKind kind : allNotificationKinds()) {
        auto* box = new QCheckBox(title(kind), this);
        box->setObjectName(rawValue(kind));
        connect(box, &QCheckBox::toggled, this,
                [this, kind](bool enabled) { m_preferences.setEnabled(kind, enabled); });
        m_switches.insert(kind, box);
        layout->addWidget(box);
    }
    connect(&preferences, &NotificationPreferences::changed, this,
            &NotificationSettingsCard::syncFromPreferences);
    syncFromPreferences();
}

QString NotificationSettingsCard::title(NotificationKind kind) {
    switch (kind) {
    case NotificationKind::PairingApproved:
        return tr("Pairing approved");
    case NotificationKind::PairingExpired:
        return tr("Pairing code expired");
    case NotificationKind::RuntimeStoppedAnswering:
        return tr("Companion runtime stopped answering");
    case NotificationKind::UpdateAvailable:
        return tr("Update available");
    case NotificationKind::UpdateResult:
        return tr("Update installed or failed");
    }
    Q_UNREACHABLE();
    return {};
}

void NotificationSettingsCard::syncFromPreferences() {
    for (auto it = m_switches.constBegin(); it != m_switches.constEnd(); ++it) {
        const QSignalBlocker blocker(it.value());
        it.value()->setChecked(m_preferences.isEnabled(it.key()));
    }
}
