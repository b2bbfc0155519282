#include "ui/onboarding/CompanionStepHeading.h"

#include "ui/components/CompanionLabel.h"

#include <QVBoxLayout>

CompanionStepHeading::CompanionStepHeading(const QString& eyebrow, const QString& title,
                                           const QString& subtitle, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* eyebrowLabel = new CompanionLabel(eyebrow, CompanionTextStyle::Caption, this);
    eyebrowLabel->setWeight(QFont::DemiBold);
    eyebrowLabel->setTint(StatusTint::Blue);
    layout->addWidget(eyebrowLabel);
    auto* titleLabel = new CompanionLabel(title, CompanionTextStyle::LargeTitle, this);
    layout->addWidget(titleLabel);
    auto* subtitleLabel = new CompanionLabel(subtitle, CompanionTextStyle::Title3, this);
    subtitleLabel->setTone(CompanionLabel::Tone::Secondary);
    layout->addWidget(subtitleLabel);
}
