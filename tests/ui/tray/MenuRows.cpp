#include "MenuRows.h"

#include <QAction>
#include <QMenu>

QStringList menuRows(const QMenu& menu) {
    QStringList rows;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            rows << QStringLiteral("—");
        } else if (action->menu()) {
            rows << action->text() + QStringLiteral(" ▸ ") +
                        menuRows(*action->menu()).join(QStringLiteral(" | "));
        } else if (!action->isEnabled()) {
            rows << u'(' + action->text() + u')';
        } else if (action->isCheckable()) {
            rows << (action->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + action->text();
        } else {
            rows << action->text();
        }
    }
    return rows;
}
