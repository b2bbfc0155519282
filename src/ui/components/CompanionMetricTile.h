#pragma once

#include <QWidget>

class CompanionLabel;

// A label (caption, medium weight, secondary colour) over a value (title 3,
// semibold), on an inset panel.
class CompanionMetricTile : public QWidget {
    Q_OBJECT
public:
    CompanionMetricTile(const QString& label, const QString& value = {}, QWidget* parent = nullptr);

    void setValue(const QString& value);
    QString value() const;
    QString label() const;

private:
    CompanionLabel* m_label;
    CompanionLabel* m_value;
};
