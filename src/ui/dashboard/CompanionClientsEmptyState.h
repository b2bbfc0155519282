#pragma once

#include <QWidget>

// What the clients section shows before any client was added.
class CompanionClientsEmptyState : public QWidget {
    Q_OBJECT
public:
    explicit CompanionClientsEmptyState(QWidget* parent = nullptr);
};
