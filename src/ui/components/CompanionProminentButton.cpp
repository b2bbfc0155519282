#include "ui/components/CompanionProminentButton.h"

#include <QEvent>

#include <cmath>

namespace {

double luminance(const QColor& color) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Some themes pair a light accent with white text; darken the accent until
// the title reads well (the styles lighten a button's face a little too).
QColor legibleFace(QColor face, const QColor& text) {
    for (int step = 0; step < 8 && contrast(face, text) < 4.5; ++step) {
        face = luminance(text) > 0.5 ? face.darker(112) : face.lighter(112);
    }
    return face;
}

} // namespace

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
    own.setColor(QPalette::Button,
                 legibleFace(source.color(QPalette::Highlight), source.color(QPalette::HighlightedText)));
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
