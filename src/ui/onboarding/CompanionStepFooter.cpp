#include "ui/onboarding/CompanionStepFooter.h"

#include "ui/components/CompanionProminentButton.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int minimumPrimaryWidth = 120;
}

CompanionStepFooter::CompanionStepFooter(bool showBack, QWidget* parent)
    : QWidget(parent), m_back(new QPushButton(tr("Back"), this)), m_secondary(new QPushButton(this)),
      m_primary(new CompanionProminentButton({}, this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_back);
    layout->addStretch();
    layout->addWidget(m_secondary);
    layout->addWidget(m_primary);
    m_back->setVisible(showBack);
    m_secondary->hide();
    connect(m_back, &QPushButton::clicked, this, &CompanionStepFooter::backClicked);
    connect(m_secondary, &QPushButton::clicked, this, &CompanionStepFooter::secondaryClicked);
    connect(m_primary, &QPushButton::clicked, this, &CompanionStepFooter::primaryClicked);
}

void CompanionStepFooter::setPrimary(const QString& title, bool enabled) {
    m_primary->setText(title);
    m_primary->setEnabled(enabled);
    // Room around the bold title, which the style's own margins barely give.
    m_primary->setMinimumWidth(std::max(minimumPrimaryWidth, m_primary->sizeHint().width() + 20));
}

void CompanionStepFooter::setSecondary(const QString& title) {
    m_secondary->setText(title);
    m_secondary->setVisible(!title.isEmpty());
}
