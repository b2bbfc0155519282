#include "ui/settings/SettingsIssueCard.h"

#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/components/CompanionLabel.h"
#include "ui/components/CompanionSymbolIcon.h"
#include "ui/settings/RelativeTimeText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int symbolSize = 18;
}

SettingsIssueCard::SettingsIssueCard(QWidget* parent)
    : QWidget(parent), m_symbol(new CompanionSymbolIcon({}, symbolSize)),
      m_code(new CompanionLabel(CompanionTextStyle::Headline)),
      m_message(new CompanionLabel(CompanionTextStyle::Callout)),
      m_time(new CompanionLabel(CompanionTextStyle::Caption)), m_style(SettingsIssueStyle::forLevel({})) {
    CompanionInsetSurfaceModifier::apply(this, 10);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    layout->addWidget(m_symbol, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_code);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(m_message);
    m_time->setTone(CompanionLabel::Tone::Secondary);
    texts->addWidget(m_time);
    layout->addLayout(texts, 1);
}

void SettingsIssueCard::setEvent(const DiagnosticEvent& event, const QDateTime& now) {
    m_style = SettingsIssueStyle::forLevel(event.level);
    m_occurredAt = event.occurredAt;
    m_code->setTextIfChanged(event.code);
    m_message->setTextIfChanged(event.message);
    m_symbol->setSymbol(m_style.symbol);
    m_symbol->setTint(m_style.tint);
    m_symbol->setAccessibleName(event.level);
    setNow(now);
}

void SettingsIssueCard::setNow(const QDateTime& now) {
    m_time->setTextIfChanged(relativeTimeText(m_occurredAt, now));
    setAccessibleName(m_code->text() + u", " + m_time->text());
}

QString SettingsIssueCard::timeText() const {
    return m_time->text();
}
