#pragma once

#include <QWidget>

#include <functional>

class CompanionLabel;
class SettingsSwitch;

// A glyph, a title, an explanation and a switch, on an inset panel. The switch
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
    CompanionLabel* m_subtitle;
    SettingsSwitch* m_switch;
};
