#pragma once

#include <QWidget>

class QPushButton;

// A step's buttons: "Back" on the left, then on the right an optional
// secondary button and the prominent primary one.
class CompanionStepFooter : public QWidget {
    Q_OBJECT
public:
    explicit CompanionStepFooter(bool showBack, QWidget* parent = nullptr);

    void setPrimary(const QString& title, bool enabled);
    // An empty title hides the secondary button.
    void setSecondary(const QString& title);

    QPushButton* backButton() const noexcept { return m_back; }
    QPushButton* primaryButton() const noexcept { return m_primary; }
    QPushButton* secondaryButton() const noexcept { return m_secondary; }

Q_SIGNALS:
    void backClicked();
    void primaryClicked();
    void secondaryClicked();

private:
    QPushButton* m_back;
    QPushButton* m_secondary;
    QPushButton* m_primary;
};
