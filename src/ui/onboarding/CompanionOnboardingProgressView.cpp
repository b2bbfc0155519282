#include "ui/onboarding/CompanionOnboardingProgressView.h"

#include "ui/components/CompanionPalette.h"
#include "ui/onboarding/CompanionOnboardingStepMarker.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int trackHeight = 6;
constexpr qreal minimumFill = 24;

QString shortTitle(DashboardSection section) {
    switch (section) {
    case DashboardSection::Guide:
        return CompanionOnboardingProgressView::tr("Get Started");
    case DashboardSection::Pairing:
        return CompanionOnboardingProgressView::tr("Pair");
    case DashboardSection::Clients:
        return CompanionOnboardingProgressView::tr("Clients");
    case DashboardSection::Ready:
        break;
    }
    return CompanionOnboardingProgressView::tr("Ready");
}

} // namespace

CompanionOnboardingProgressView::CompanionOnboardingProgressView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, trackHeight + 12, 0, 0);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    layout->addLayout(row);
    for (DashboardSection section : allDashboardSections()) {
        auto* marker = new CompanionOnboardingStepMarker(shortTitle(section), this);
        m_markers.append(marker);
        row->addWidget(marker, 1);
    }
    setAccessibleName(tr("Setup progress"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setProgress(DashboardSection::Guide, 0);
}

double CompanionOnboardingProgressView::progressValue(DashboardSection selectedSection) {
    const auto& sections = allDashboardSections();
    return double(sections.indexOf(selectedSection) + 1) / double(sections.size());
}

void CompanionOnboardingProgressView::setProgress(DashboardSection selectedSection, int completedSteps) {
    const int selected = int(allDashboardSections().indexOf(selectedSection));
    for (int position = 0; position < m_markers.size(); ++position) {
        m_markers[position]->setState(
            CompanionOnboardingStepMarker::stateFor(position, selected, completedSteps),
            position == selected);
    }
    m_progressValue = progressValue(selectedSection);
    setAccessibleDescription(tr("Step %1 of %2").arg(selected + 1).arg(m_markers.size()));
    update();
}

void CompanionOnboardingProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal radius = trackHeight / 2.0;
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.1f);
    painter.setBrush(track);
    painter.drawRoundedRect(QRectF(0, 0, width(), trackHeight), radius, radius);
    painter.setBrush(palette().color(QPalette::Highlight));
    const qreal fill = std::min<qreal>(width(), std::max(minimumFill, width() * m_progressValue));
    painter.drawRoundedRect(QRectF(0, 0, fill, trackHeight), radius, radius);
}
