#pragma once

#include <QStringList>

class QMenu;

// A menu as text, one entry a row: "—" a separator, "(title)" a disabled row,
// "[x] title" / "[ ] title" a checkable row, "title ▸ a | b" a submenu.
QStringList menuRows(const QMenu& menu);

// The tray menu's rows when online: the header, the update rows, any pairing-code
// rows, the window rows, Start Pairing when offered, then the switches and quitting.
QStringList expectedRows(const QStringList& update, const QStringList& code = {}, bool startPairing = true,
                         const QStringList& switches = {u"[ ] Start at Login"_qs,
                                                        u"[x] Keep Running in Menu Bar"_qs},
                         const QString& quit = u"Quit Completely"_qs);
