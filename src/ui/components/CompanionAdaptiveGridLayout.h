#pragma once

#include <QLayout>
#include <QList>

// Lays its items out in as many equal columns as fit at the minimum column
// width (at least one, at most one per item), row by row; each row is as tall
// as its tallest item at the column width.
class CompanionAdaptiveGridLayout : public QLayout {
    Q_OBJECT
public:
    explicit CompanionAdaptiveGridLayout(int minimumColumnWidth, QWidget* parent = nullptr);
    ~CompanionAdaptiveGridLayout() override;

    int columnsForWidth(int width) const;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    int arrange(const QRect& rect, bool apply) const;

    int m_minimumColumnWidth;
    QList<QLayoutItem*> m_items;
};
