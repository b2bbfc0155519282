#include "ui/components/CompanionMetricTile.h"

#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"

#include <QVBoxLayout>

CompanionMetricTile::CompanionMetricTile(const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), m_label(new CompanionLabel(label, CompanionTextStyle::Caption)),
      m_value(new CompanionLabel(value, CompanionTextStyle::Title3)) {
    m_label->setWeight(QFont::Medium);
    m_label->setTone(CompanionLabel::Tone::Secondary);
    m_value->setWeight(QFont::DemiBold);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(4);
    layout->addWidget(m_label);
    layout->addWidget(m_value);
    layout->addStretch();
    CompanionInsetSurfaceModifier::apply(this, 10);
    setAccessibleName(label);
    setAccessibleDescription(value);
}

void CompanionMetricTile::setValue(const QString& value) {
    m_value->setTextIfChanged(value);
    setAccessibleDescription(value);
}

QString CompanionMetricTile::value() const {
    return m_value->text();
}

QString CompanionMetricTile::label() const {
    return m_label->text();
}
