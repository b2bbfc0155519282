#pragma once

#include "model/ClientListModel.h"

#include <QList>
#include <QWidget>

class CompanionAppModel;
class CompanionClientsEmptyState;
class CompanionDashboardClientRow;
class QPushButton;
class QVBoxLayout;

// "Torrent Clients": the header with Test All and Add Client, then the empty
// state or one row per client. Rows follow the client list model: a refresh
// inserts, removes, moves or updates rows, and leaves the others alone.
class DashboardClientsSection : public QWidget {
    Q_OBJECT
public:
    explicit DashboardClientsSection(CompanionAppModel& model, QWidget* parent = nullptr);

    const QList<CompanionDashboardClientRow*>& rows() const { return m_rows; }
    QPushButton* testAllButton() const { return m_testAll; }
    QPushButton* addClientButton() const { return m_addClient; }
    CompanionClientsEmptyState* emptyState() const { return m_empty; }

private:
    CompanionDashboardClientRow* makeRow(int row);
    void insertRows(int first, int last);
    void removeRows(int first, int last);
    void moveRow(int from, int to);
    void updateRows(int first, int last);
    void rebuild();
    void refreshChrome();
    const ClientConfig* clientWithId(const QString& id) const;

    CompanionAppModel& m_model;
    ClientListModel m_clients;
    QList<CompanionDashboardClientRow*> m_rows;
    QPushButton* m_testAll;
    QPushButton* m_addClient;
    CompanionClientsEmptyState* m_empty;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
};
