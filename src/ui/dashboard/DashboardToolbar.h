#pragma once

#include <QWidget>

class CompanionAppModel;
class QPushButton;
class UpdateActionButton;

// The window's toolbar group, on the right: the update action and Refresh,
// which becomes a spinner with "Refreshing" while a refresh runs.
class DashboardToolbar : public QWidget {
    Q_OBJECT
public:
    explicit DashboardToolbar(CompanionAppModel& model, QWidget* parent = nullptr);

    QPushButton* refreshButton() const { return m_refresh; }
    QWidget* refreshingIndicator() const { return m_refreshing; }
    UpdateActionButton* updateButton() const { return m_update; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void updateIcon();

    CompanionAppModel& m_model;
    UpdateActionButton* m_update;
    QPushButton* m_refresh;
    QWidget* m_refreshing;
};
