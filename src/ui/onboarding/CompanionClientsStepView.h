#pragma once

#include <QList>
#include <QWidget>

class ClientListModel;
class CompanionAppModel;
class CompanionClientRow;
class CompanionStepFooter;
class QPushButton;
class QVBoxLayout;

// Step 3: the torrent clients the phone will reach, added, tested and removed
// here; one is enough to go on.
class CompanionClientsStepView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionClientsStepView(CompanionAppModel& model, QWidget* parent = nullptr);

    CompanionStepFooter* footer() const noexcept { return m_footer; }
    const QList<CompanionClientRow*>& rows() const noexcept { return m_rows; }

private:
    void syncRows();

    CompanionAppModel& m_model;
    ClientListModel* m_clients;
    QPushButton* m_testAll;
    QWidget* m_empty;
    QWidget* m_list;
    QVBoxLayout* m_rowsLayout;
    QList<CompanionClientRow*> m_rows;
    CompanionStepFooter* m_footer;
};
