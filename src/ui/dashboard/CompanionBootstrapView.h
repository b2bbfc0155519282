#pragma once

#include <QWidget>

// What the window shows until the runtime first answers: a small spinner,
// "Starting Vendrilo Connect" and "Preparing the bundled companion runtime.".
class CompanionBootstrapView : public QWidget {
    Q_OBJECT
public:
    explicit CompanionBootstrapView(QWidget* parent = nullptr);
};
