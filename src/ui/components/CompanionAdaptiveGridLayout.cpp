#include "ui/components/CompanionAdaptiveGridLayout.h"

#include <QWidget>

CompanionAdaptiveGridLayout::CompanionAdaptiveGridLayout(int minimumColumnWidth, QWidget* parent)
    : QLayout(parent), m_minimumColumnWidth(minimumColumnWidth) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(12);
}

CompanionAdaptiveGridLayout::~CompanionAdaptiveGridLayout() {
    qDeleteAll(m_items);
}

int CompanionAdaptiveGridLayout::columnsForWidth(int width) const {
    const int gap = spacing();
    const int fitting = (width + gap) / (m_minimumColumnWidth + gap);
    return std::clamp(fitting, 1, std::max(1, count()));
}

void CompanionAdaptiveGridLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

QLayoutItem* CompanionAdaptiveGridLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* CompanionAdaptiveGridLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int CompanionAdaptiveGridLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize CompanionAdaptiveGridLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    const int columns = std::max(1, int(m_items.size()));
    const int width = columns * m_minimumColumnWidth + (columns - 1) * spacing() + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize CompanionAdaptiveGridLayout::minimumSize() const {
    // The height comes from heightForWidth at the width given; a minimum
    // taken at one column would keep the layout that tall at every width.
    const QMargins m = contentsMargins();
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        height = std::max(height, item->minimumSize().height());
    }
    return {m_minimumColumnWidth + m.left() + m.right(), height + m.top() + m.bottom()};
}

void CompanionAdaptiveGridLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int CompanionAdaptiveGridLayout::arrange(const QRect& rect, bool apply) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = spacing();
    const int columns = columnsForWidth(area.width());
    const int columnWidth = std::max(1, (area.width() - gap * (columns - 1)) / columns);
    int y = area.top();
    QList<QLayoutItem*> visible;
    for (QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            visible.append(item);
        }
    }
    for (int start = 0; start < visible.size(); start += columns) {
        int rowHeight = 0;
        const int end = std::min(int(visible.size()), start + columns);
        for (int i = start; i < end; ++i) {
            QLayoutItem* item = visible.at(i);
            const int height =
                item->hasHeightForWidth() ? item->heightForWidth(columnWidth) : item->sizeHint().height();
            rowHeight = std::max(rowHeight, height);
        }
        if (apply) {
            for (int i = start; i < end; ++i) {
                const int x = area.left() + (i - start) * (columnWidth + gap);
                visible.at(i)->setGeometry(QRect(x, y, columnWidth, rowHeight));
            }
        }
        y += rowHeight + gap;
    }
    if (!visible.isEmpty()) {
        y -= gap;
    }
    return y - area.top() + contentsMargins().top() + contentsMargins().bottom();
}
