#pragma once

// `vendrilo-connect ctl …`: runs one control command and returns its exit
// status. Called before any application object exists; creates its own
// QCoreApplication, so it never needs a display.
int runControlCommand(int argc, char** argv);
