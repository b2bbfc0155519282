#pragma once

#include "ui/components/CompanionStatusBanner.h"

class CompanionAppModel;

// The model's messages as a window shows them: the error over the notice, and
// dismissing clears the one shown. Hidden while there is neither; give it its
// parent at construction, so that showing it never opens a window of its own.
class ModelMessageBanner : public CompanionStatusBanner {
    Q_OBJECT
public:
    explicit ModelMessageBanner(CompanionAppModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    CompanionAppModel& m_model;
};
