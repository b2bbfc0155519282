#pragma once

#include <QWidget>

class QVBoxLayout;

// An inset panel that stacks rows with hairlines between them.
class SettingsGroupedBox : public QWidget {
    Q_OBJECT
public:
    explicit SettingsGroupedBox(QWidget* parent = nullptr);

    void addRow(QWidget* row);

private:
    QVBoxLayout* m_layout;
};
