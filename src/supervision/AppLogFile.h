#pragma once

#include "supervision/CompanionPaths.h"

#include <QString>

// The application's own log: every Qt message goes on to the handler that was
// installed before (standard error) and is appended to a file beside the
// runtime's log. Past the size limit the file becomes the previous one (one is
// kept) and a new one begins.
class AppLogFile {
public:
    static constexpr qint64 defaultSizeLimit = 2 * 1024 * 1024;

    // Installs the handler for the rest of the process (again: replaces the
    // file). Returns false when the file cannot be opened; messages then only
    // reach the previous handler.
    static bool install(const QString& path = CompanionPaths::appLog(), qint64 sizeLimit = defaultSizeLimit);
    // Restores the previous handler and closes the file.
    static void uninstall();
};
