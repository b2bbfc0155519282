#pragma once

#include <QString>
#include <QStringList>

// The pairing link's QR code as text for a terminal: two module rows per line
// drawn with Unicode half blocks ("▀", "▄", "█" for dark modules, a space for
// light ones) inside a light quiet zone of two modules.
namespace TerminalQRCode {

// Empty when the text cannot be encoded.
QStringList lines(const QString& text);

// The lines joined with newlines. With `colour`, each line is drawn black on
// white with ANSI escapes, so the code scans on dark terminals too.
QString render(const QString& text, bool colour);

} // namespace TerminalQRCode
