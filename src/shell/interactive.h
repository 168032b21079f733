// The runs with a user at the screen.
#pragma once

#include <windows.h>

#include "command_line.h"
#include "run_sequence.h"

// The installation as the user knows it: the welcome prompt, then the component dialog; a second start
// points the user at the first. Returns the exit code, always 0.
int RunInteractive(HINSTANCE instance, const InstallerTable& table);

// Says that the program's own folder cannot be its working directory. Returns 1603.
int ShowPackageFolderFailure();

// The /? box, headed by the switch not understood when `understood` is 0. Returns 0, or 87 after a
// switch not understood.
int ShowUsage(const CommandLine& command, int understood);
