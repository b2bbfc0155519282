#pragma once

#include <QWidget>

#include <functional>

class SettingsSwitch;
class SettingsValueRow;

// A settings row with a switch, on an inset panel of its own. The switch
// shows what the model says; flipping it calls onToggle with the new value.
class SettingsToggleCard : public QWidget {
    Q_OBJECT
public:
    SettingsToggleCard(const QString& symbol, const QString& title, const QString& subtitle,
                       std::function<void(bool)> onToggle, QWidget* parent = nullptr);

    void setOn(bool on);
    void setSubtitle(const QString& subtitle);
    SettingsSwitch* toggle() const noexcept { return m_switch; }

private:
    SettingsValueRow* m_row;
    SettingsSwitch* m_switch;
};
