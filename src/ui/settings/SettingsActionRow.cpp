#include "ui/settings/SettingsActionRow.h"

#include <QPushButton>

SettingsActionRow::SettingsActionRow(const QString& symbol, const QString& title, const QString& subtitle,
                                     std::function<void()> action, QWidget* parent)
    : SettingsValueRow(symbol, title, subtitle, nullptr, parent),
      m_button(new QPushButton(tr("Open"), this)) {
    // Every row's button reads "Open": the row's title tells a screen reader which one.
    m_button->setAccessibleDescription(title);
    addTrailing(m_button);
    connect(m_button, &QPushButton::clicked, this, std::move(action));
}
