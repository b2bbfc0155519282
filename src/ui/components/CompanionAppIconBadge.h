#pragma once

#include <QWidget>

// The application icon at the given size, clipped to a rounded square (corner
// radius 0.28 × size) with a faint shadow. It draws the application's window
// icon; until one is set, a plain mark in the accent colour. An optional
// symbol sits in a small disc on its lower right corner.
class CompanionAppIconBadge : public QWidget {
    Q_OBJECT
public:
    explicit CompanionAppIconBadge(int size, QWidget* parent = nullptr);

    void setCornerSymbol(const QString& symbol);
    int badgeSize() const { return m_size; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_size;
    QString m_cornerSymbol;
};
