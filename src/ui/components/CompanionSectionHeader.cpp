#include "ui/components/CompanionSectionHeader.h"

#include "ui/components/CompanionLabel.h"

#include <QVBoxLayout>

CompanionSectionHeader::CompanionSectionHeader(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), m_title(new CompanionLabel(title, CompanionTextStyle::Title3)),
      m_subtitle(new CompanionLabel(subtitle, CompanionTextStyle::Callout)) {
    m_title->setWeight(QFont::DemiBold);
    m_subtitle->setTone(CompanionLabel::Tone::Secondary);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
}
