#include "ui/settings/SettingsRowDivider.h"

#include "ui/components/CompanionPalette.h"

#include <QPainter>

SettingsRowDivider::SettingsRowDivider(int indent, QWidget* parent) : QWidget(parent), m_indent(indent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SettingsRowDivider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect().adjusted(m_indent, 0, 0, 0), CompanionPalette::border(palette()));
}
