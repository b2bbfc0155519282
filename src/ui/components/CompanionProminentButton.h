#pragma once

#include <QPushButton>

// The prominent action of a screen: filled with the accent colour of the
// current palette, and the button Return presses in its window.
class CompanionProminentButton : public QPushButton {
    Q_OBJECT
public:
    explicit CompanionProminentButton(const QString& text, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyAccent();

    bool m_applying = false;
};
