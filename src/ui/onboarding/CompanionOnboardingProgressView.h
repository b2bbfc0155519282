#pragma once

#include "model/DashboardSection.h"

#include <QList>
#include <QWidget>

class CompanionOnboardingStepMarker;

// The setup progress: a bar filled up to the step shown and one marker per
// step saying whether it is done, current or still ahead.
class CompanionOnboardingProgressView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionOnboardingProgressView(QWidget* parent = nullptr);

    void setProgress(DashboardSection selectedSection, int completedSteps);

    // 0.25 on the first step up to 1.0 on the last.
    double progressValue() const noexcept { return m_progressValue; }
    static double progressValue(DashboardSection selectedSection);
    const QList<CompanionOnboardingStepMarker*>& markers() const noexcept { return m_markers; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<CompanionOnboardingStepMarker*> m_markers;
    double m_progressValue = 0;
};
