#pragma once

#include <QStringList>
#include <QWidget>

// The three pairing steps, each numbered in a small filled circle.
class PairingInstructionList : public QWidget {
    Q_OBJECT
public:
    explicit PairingInstructionList(QWidget* parent = nullptr);

    static QStringList instructions();
};
