#pragma once

class QCoreApplication;

// Shows this platform's words in the product's texts ("this computer" for
// "this Mac", "Ctrl+Q" for "Cmd+Q", …) through the catalogue the build
// compiled from the sources. Call once, before any window or the tray icon is
// made. Does nothing on macOS, whose words the sources already use. Returns
// whether a catalogue was installed.
bool installPlatformWording(QCoreApplication& application);
