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

QStringList expectedRows(const QStringList& update, const QStringList& code, bool startPairing,
                         const QStringList& switches, const QString& quit) {
    return QStringList{u"(Vendrilo Connect)"_qs, u"(Online)"_qs, u"(This Mac companion is up to date.)"_qs} +
           update + code + QStringList{u"—"_qs, u"Open Companion"_qs, u"Open Settings…"_qs} +
           (startPairing ? QStringList{u"Start Pairing"_qs} : QStringList{}) + QStringList{u"—"_qs} +
           switches +
           QStringList{
               u"Advanced ▸ Open Browser Dashboard | Reveal Logs | Reveal Data Folder | — | Restart Runtime"_qs,
               u"—"_qs, quit};
}
