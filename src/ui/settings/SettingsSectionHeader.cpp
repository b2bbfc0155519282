#include "ui/settings/SettingsSectionHeader.h"

#include "ui/components/CompanionLabel.h"
#include "ui/settings/SettingsGlyph.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsSectionHeader::SettingsSectionHeader(const QString& symbol, const QString& title,
                                             const QString& subtitle, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new SettingsGlyph(symbol, this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new CompanionLabel(title, CompanionTextStyle::Headline, this));
    auto* explanation = new CompanionLabel(subtitle, CompanionTextStyle::Callout, this);
    explanation->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(explanation);
    layout->addLayout(texts, 1);
}
