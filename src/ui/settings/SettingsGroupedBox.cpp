#include "ui/settings/SettingsGroupedBox.h"

#include "ui/components/CompanionInsetSurfaceModifier.h"
#include "ui/settings/SettingsRowDivider.h"

#include <QVBoxLayout>

namespace {
// Row margin, glyph and spacing (SettingsValueRow).
constexpr int rowTextIndent = 12 + 28 + 12;
} // namespace

SettingsGroupedBox::SettingsGroupedBox(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    // One pixel in, so the dividers stop at the outline.
    m_layout->setContentsMargins(1, 2, 1, 2);
    m_layout->setSpacing(0);
    CompanionInsetSurfaceModifier::apply(this, 10);
}

void SettingsGroupedBox::addRow(QWidget* row) {
    if (m_layout->count() > 0) {
        // Indented past the rows' glyphs, as grouped lists are.
        m_layout->addWidget(new SettingsRowDivider(rowTextIndent, this));
    }
    m_layout->addWidget(row);
}
