#include "ui/components/CompanionInfoCard.h"

#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionStatusPill.h"
#include "ui/components/CompanionSymbolIcon.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CompanionInfoCard::CompanionInfoCard(const QString& icon, const QString& title, QWidget* parent)
    : CompanionSurfaceCard(parent), m_icon(new CompanionSymbolIcon(icon, 20)),
      m_title(new CompanionLabel(title, CompanionTextStyle::Headline)), m_badge(new CompanionStatusPill),
      m_summary(new CompanionLabel(CompanionTextStyle::Callout)),
      m_detail(new CompanionLabel(CompanionTextStyle::Caption)) {
    m_summary->setTone(CompanionLabel::Tone::Secondary);
    m_detail->setTone(CompanionLabel::Tone::Secondary);
    m_detail->setWeight(QFont::Medium);
    m_detail->hide();

    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(m_icon, 0, Qt::AlignTop);
    heading->addWidget(m_title, 1);
    auto* layout = contentLayout();
    layout->setSpacing(10);
    layout->addLayout(heading);
    layout->addWidget(m_badge, 0, Qt::AlignLeft);
    layout->addWidget(m_summary);
    layout->addWidget(m_detail);
    layout->addStretch();
    setAccessibleName(title);
}

void CompanionInfoCard::setBadge(const QString& title, StatusTint tint) {
    m_badge->setTitle(title);
    m_badge->setTint(tint);
}

void CompanionInfoCard::setSummary(const QString& summary) {
    m_summary->setTextIfChanged(summary);
}

void CompanionInfoCard::setDetail(const std::optional<QString>& detail) {
    m_detail->setTextIfChanged(detail.value_or(QString()));
    m_detail->setVisible(detail.has_value());
}

QString CompanionInfoCard::title() const {
    return m_title->text();
}
