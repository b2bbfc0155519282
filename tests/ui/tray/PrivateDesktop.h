#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

class QTemporaryDir;

// A desktop of the program's own for running the real app: an Xvfb display,
// a private session bus and scratch XDG folders, so nothing of the desktop it
// runs in leaks in or out. Shared by the tray's integration test and its
// benchmark.
namespace PrivateDesktop {

// Runs this program again under dbus-run-session, unless it already is; returns
// only in the program that has the private bus.
void reexecOnPrivateSessionBus(int argc, char** argv);

// Starts Xvfb on a free display; the environment of a program shown on it
// (xcb platform), or nullopt when Xvfb did not start.
std::optional<QProcessEnvironment> startDisplay(QProcess& xvfb);

// The app's folders inside home, and release checks that stay on this machine
// and fail. False when a folder cannot be made.
bool isolate(QProcessEnvironment& environment, const QTemporaryDir& home);

// Standard output of a short command, trimmed.
QString output(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);

} // namespace PrivateDesktop
