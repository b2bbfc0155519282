#pragma once

#include "ui/settings/SettingsValueRow.h"

#include <functional>

class QPushButton;

// A row whose "Open" button runs one action.
class SettingsActionRow : public SettingsValueRow {
    Q_OBJECT
public:
    SettingsActionRow(const QString& symbol, const QString& title, const QString& subtitle,
                      std::function<void()> action, QWidget* parent = nullptr);

    QPushButton* button() const noexcept { return m_button; }

private:
    QPushButton* m_button;
};
