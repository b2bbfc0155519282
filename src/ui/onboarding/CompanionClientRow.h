#pragma once

#include "runtime/ClientConfig.h"

#include <QWidget>

class CompanionLabel;
class CompanionStatusPill;
class CompanionSymbolIcon;

// One torrent client in the setup list: its type, name, address, last error
// and state, with "Edit", "Test" and "Remove".
class CompanionClientRow : public QWidget {
    Q_OBJECT
public:
    explicit CompanionClientRow(QWidget* parent = nullptr);

    void setClient(const ClientConfig& client);
    const ClientConfig& client() const noexcept { return m_client; }

Q_SIGNALS:
    void editRequested(const ClientConfig& client);
    void testRequested(const ClientConfig& client);
    void removeRequested(const ClientConfig& client);

private:
    ClientConfig m_client;
    CompanionSymbolIcon* m_type;
    CompanionLabel* m_label;
    CompanionLabel* m_address;
    CompanionLabel* m_error;
    CompanionStatusPill* m_status;
};
