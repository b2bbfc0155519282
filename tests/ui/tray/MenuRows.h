#pragma once

#include <QStringList>

class QMenu;

// A menu as text, one entry a row: "—" a separator, "(title)" a disabled row,
// "[x] title" / "[ ] title" a checkable row, "title ▸ a | b" a submenu.
QStringList menuRows(const QMenu& menu);
