#include "ui/settings/SettingsValueRow.h"

#include "ui/components/CompanionLabel.h"
#include "ui/settings/SettingsGlyph.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SettingsValueRow::SettingsValueRow(const QString& symbol, const QString& title, const QString& subtitle,
                                   QWidget* trailing, QWidget* parent)
    : QWidget(parent), m_subtitle(new CompanionLabel(subtitle, CompanionTextStyle::Callout)),
      m_trailing(new QHBoxLayout) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(12);
    layout->addWidget(new SettingsGlyph(symbol, this), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* heading = new CompanionLabel(title, CompanionTextStyle::Body, this);
    heading->setWeight(QFont::Medium);
    texts->addWidget(heading);
    m_subtitle->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts, 1);
    m_trailing->setSpacing(8);
    layout->addLayout(m_trailing);
    if (trailing) {
        addTrailing(trailing);
    }
}

void SettingsValueRow::setSubtitle(const QString& subtitle) {
    m_subtitle->setTextIfChanged(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
}

void SettingsValueRow::addTrailing(QWidget* trailing) {
    m_trailing->addWidget(trailing, 0, Qt::AlignVCenter);
}
