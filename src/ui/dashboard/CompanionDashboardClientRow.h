#pragma once

#include "runtime/ClientConfig.h"

#include <QWidget>

class CompanionLabel;
class CompanionStatusPill;
class CompanionSymbolIcon;
class QMenu;
class QToolButton;
class QVBoxLayout;

// One torrent client in the dashboard list: its type symbol, label, address,
// last error, status pill and a menu with Edit, Test Again and Remove. Rows are
// kept across refreshes and only their texts change.
class CompanionDashboardClientRow : public QWidget {
    Q_OBJECT
public:
    explicit CompanionDashboardClientRow(const ClientConfig& client, QWidget* parent = nullptr);

    void setClient(const ClientConfig& client);
    QString clientId() const { return m_clientId; }
    // Draws the divider above the row (every row but the first).
    void setShowsDivider(bool shows);
    // The row's menu, as the menu button opens it.
    QMenu* createMenu();

    CompanionLabel* labelText() const { return m_label; }
    CompanionLabel* addressText() const { return m_address; }
    // None until the client first reported an error.
    CompanionLabel* errorText() const { return m_error; }
    CompanionStatusPill* statusPill() const { return m_status; }
    QToolButton* menuButton() const { return m_menuButton; }

Q_SIGNALS:
    void editRequested(const QString& clientId);
    void testRequested(const QString& clientId);
    void removeRequested(const QString& clientId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateMenuIcon();

    QString m_clientId;
    bool m_showsDivider = false;
    CompanionSymbolIcon* m_symbol;
    CompanionLabel* m_label;
    CompanionLabel* m_address;
    QVBoxLayout* m_texts;
    CompanionLabel* m_error = nullptr;
    CompanionStatusPill* m_status;
    QToolButton* m_menuButton;
};
