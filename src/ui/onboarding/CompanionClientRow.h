#pragma once

#include "runtime/ClientConfig.h"

#include <QWidget>

class CompanionDashboardClientRow;

// One torrent client in the setup list: the dashboard's identity line (type,
// name, address, last error, state) with the buttons "Edit", "Test" and
// "Remove" in place of its menu.
class CompanionClientRow : public QWidget {
    Q_OBJECT
public:
    explicit CompanionClientRow(const ClientConfig& client, QWidget* parent = nullptr);

    void setClient(const ClientConfig& client);
    const ClientConfig& client() const noexcept { return m_client; }

Q_SIGNALS:
    void editRequested(const ClientConfig& client);
    void testRequested(const ClientConfig& client);
    void removeRequested(const ClientConfig& client);

private:
    ClientConfig m_client;
    CompanionDashboardClientRow* m_identity;
};
