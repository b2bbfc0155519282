#include "ui/settings/SettingsToggleCard.h"

#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/settings/SettingsSwitch.h"
#include "ui/settings/SettingsValueRow.h"

#include <QVBoxLayout>

SettingsToggleCard::SettingsToggleCard(const QString& symbol, const QString& title, const QString& subtitle,
                                       std::function<void(bool)> onToggle, QWidget* parent)
    : QWidget(parent), m_switch(new SettingsSwitch) {
    CompanionInsetSurfaceModifier::apply(this, 10);
    m_switch->setAccessibleName(title);
    m_row = new SettingsValueRow(symbol, title, subtitle, m_switch, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(m_row);
    connect(m_switch, &SettingsSwitch::clicked, this, std::move(onToggle));
}

void SettingsToggleCard::setOn(bool on) {
    if (m_switch->isChecked() != on) {
        m_switch->setChecked(on);
    }
}

void SettingsToggleCard::setSubtitle(const QString& subtitle) {
    m_row->setSubtitle(subtitle);
}
