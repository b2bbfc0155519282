#pragma once

#include <QWidget>

// A step's eyebrow ("Step 2"), title and subtitle.
class CompanionStepHeading : public QWidget {
    Q_OBJECT
public:
    CompanionStepHeading(const QString& eyebrow, const QString& title, const QString& subtitle,
                         QWidget* parent = nullptr);
};
