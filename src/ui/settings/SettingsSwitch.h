#pragma once

#include <QAbstractButton>

class QVariantAnimation;

// An on/off switch. Only the user's clicks emit clicked(); setChecked() from
// the model redraws it silently.
class SettingsSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;
    bool hitButton(const QPoint& position) const override;

private:
    QVariantAnimation* m_knob;
};
