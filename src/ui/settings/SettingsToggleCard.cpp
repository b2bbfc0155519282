#include "ui/settings/SettingsToggleCard.h"

#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/settings/SettingsGlyph.h"
#include "ui/settings/SettingsSwitch.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsToggleCard::SettingsToggleCard(const QString& symbol, const QString& title, const QString& subtitle,
                                       std::function<void(bool)> onToggle, QWidget* parent)
    : QWidget(parent), m_subtitle(new CompanionLabel(subtitle, CompanionTextStyle::Callout)),
      m_switch(new SettingsSwitch) {
    CompanionInsetSurfaceModifier::apply(this, 10);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(new SettingsGlyph(symbol, this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* heading = new CompanionLabel(title, CompanionTextStyle::Body, this);
    heading->setWeight(QFont::Medium);
    texts->addWidget(heading);
    m_subtitle->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts, 1);
    m_switch->setAccessibleName(title);
    layout->addWidget(m_switch, 0, Qt::AlignTop);
    connect(m_switch, &SettingsSwitch::clicked, this, std::move(onToggle));
}

void SettingsToggleCard::setOn(bool on) {
    if (m_switch->isChecked() != on) {
        m_switch->setChecked(on);
    }
}

void SettingsToggleCard::setSubtitle(const QString& subtitle) {
    m_subtitle->setTextIfChanged(subtitle);
}
