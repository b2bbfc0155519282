#pragma once

#include <QColor>
#include <QWidget>

class CompanionLabel;

// One step under the setup progress bar: a dot, the step's short title and a
// status word.
class CompanionOnboardingStepMarker : public QWidget {
    Q_OBJECT
public:
    enum class State { Done, Now, Next };

    CompanionOnboardingStepMarker(const QString& title, QWidget* parent = nullptr);

    void setState(State state, bool selected);
    State state() const noexcept { return m_state; }
    QString statusWord() const;
    QColor dotColor() const;

    // Done below the completed count, else Now on the selected step, else Next.
    static State stateFor(int position, int selectedPosition, int completedSteps);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyStyle();

    CompanionLabel* m_title;
    CompanionLabel* m_status;
    State m_state = State::Next;
    bool m_selected = false;
};
