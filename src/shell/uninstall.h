// /UNINSTALL: takes back the Sun Java Plug-in component and the bridge library of the system directory,
// logged inside the unattended run (/S) or asked for and reported in message boxes.
#pragma once

#include "../components/java_plugin_uninstall.h"

// 1603 when a removal or restore that was attempted failed, else 3010 when one waits for the restart,
// else 0: what stays is no longer ours or was left out by the trust rule, and the log says so.
int UninstallExitCode(const UninstallTally& tally);

// Takes the installation back and logs each step and the outcome (base/log.h). Returns the exit code.
int RunUninstall();

// With a user: the question (No: 1602, nothing changes), then the run and its report in a message box.
// A second start points the user at the first one and ends with 1618. Returns the exit code.
int RunInteractiveUninstall();
