#pragma once

// What `vendrilo-connect ctl` ends with; scripts rely on these numbers.
enum class ControlExitCode : int {
    Success = 0,
    // The runtime answered but refused or failed the request (or a pairing ended without approval).
    Failure = 1,
    Usage = 2,
    // No runtime answered and none could be started.
    Unreachable = 3,
};
