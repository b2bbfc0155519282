#pragma once

#include <QWidget>

class CompanionAppModel;
class CompanionMetricTile;
class CompanionStepFooter;

// Step 4: setup is complete; the routing, presence and client figures, and
// the way to the dashboard.
class CompanionReadyStepView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionReadyStepView(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStepFooter* footer() const noexcept { return m_footer; }
    QList<CompanionMetricTile*> tiles() const;

private:
    void render();

    CompanionAppModel& m_model;
    CompanionMetricTile* m_routing;
    CompanionMetricTile* m_presence;
    CompanionMetricTile* m_clients;
    CompanionMetricTile* m_healthy;
    CompanionStepFooter* m_footer;
};
