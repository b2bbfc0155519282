#include "ui/onboarding/CompanionStepFooter.h"

#include "ui/components/CompanionPalette.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

CompanionStepFooter::CompanionStepFooter(bool showBack, QWidget* parent)
    : QWidget(parent), m_back(new QPushButton(tr("Back"), this)), m_secondary(new QPushButton(this)),
      m_primary(new QPushButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_back);
    layout->addStretch();
    layout->addWidget(m_secondary);
    layout->addWidget(m_primary);
    m_back->setVisible(showBack);
    m_secondary->hide();
    m_primary->setMinimumWidth(120);
    makeProminent();
    connect(m_back, &QPushButton::clicked, this, &CompanionStepFooter::backClicked);
    connect(m_secondary, &QPushButton::clicked, this, &CompanionStepFooter::secondaryClicked);
    connect(m_primary, &QPushButton::clicked, this, &CompanionStepFooter::primaryClicked);
}

void CompanionStepFooter::setPrimary(const QString& title, bool enabled) {
    m_primary->setText(title);
    m_primary->setEnabled(enabled);
}

void CompanionStepFooter::setSecondary(const QString& title) {
    m_secondary->setText(title);
    m_secondary->setVisible(!title.isEmpty());
}

void CompanionStepFooter::makeProminent() {
    // The accent fill while it can be pressed, drawn the same in every style;
    // a disabled one looks like any disabled button.
    const QPalette& colours = palette();
    const QColor accent = colours.color(QPalette::Active, QPalette::Highlight);
    const QColor text =
        CompanionPalette::legibleOn(colours.color(QPalette::Active, QPalette::HighlightedText), accent);
    const QColor disabledFill = CompanionPalette::border(colours);
    const QColor disabledText = CompanionPalette::secondaryText(colours);
    m_primary->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 6px;"
                       " padding: 4px 16px; font-weight: 600; }"
                       "QPushButton:focus { border: 2px solid %4; }"
                       "QPushButton:pressed { background: %3; }"
                       "QPushButton:disabled { background: %5; color: %6; border-color: %5; }")
            .arg(accent.name(), text.name(), accent.darker(125).name(), accent.lighter(150).name(),
                 disabledFill.name(QColor::HexArgb), disabledText.name()));
}

void CompanionStepFooter::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        makeProminent();
    }
}
