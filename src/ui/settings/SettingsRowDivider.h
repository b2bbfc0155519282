#pragma once

#include <QWidget>

// The hairline between the rows of a grouped box, in the border colour,
// starting `indent` pixels in.
class SettingsRowDivider : public QWidget {
    Q_OBJECT
public:
    explicit SettingsRowDivider(int indent = 0, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_indent;
};
