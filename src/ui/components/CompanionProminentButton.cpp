#include "ui/components/CompanionProminentButton.h"

#include <QEvent>

CompanionProminentButton::CompanionProminentButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent) {
    setDefault(true);
    setAutoDefault(true);
    QFont f = font();
    f.setWeight(QFont::DemiBold);
    setFont(f);
    applyAccent();
}

void CompanionProminentButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) && !m_applying) {
        applyAccent();
    }
}

void CompanionProminentButton::applyAccent() {
    // The accent comes from the surroundings, so a theme change recolours it.
    const QPalette source = parentWidget() ? parentWidget()->palette() : QPalette();
    QPalette own = palette();
    own.setColor(QPalette::Button, source.color(QPalette::Highlight));
    own.setColor(QPalette::ButtonText, source.color(QPalette::HighlightedText));
    own.setColor(QPalette::Disabled, QPalette::Button, source.color(QPalette::Disabled, QPalette::Button));
    own.setColor(QPalette::Disabled, QPalette::ButtonText,
                 source.color(QPalette::Disabled, QPalette::ButtonText));
    if (own == palette()) {
        return;
    }
    m_applying = true;
    setPalette(own);
    m_applying = false;
}
