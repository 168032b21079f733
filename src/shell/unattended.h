// The run without windows that deployment tools start with /S.
#pragma once

#include "command_line.h"
#include "run_sequence.h"

// Runs the installation as the dialog would with its defaults, shaped by the switches, and logs it.
// `understood` is ParseCommandLine's answer; without `inPackage` (EnterExecutableFolder's answer) it
// installs nothing. Returns the exit code (exit_codes.h).
int RunUnattended(const CommandLine& command, int understood, int inPackage, const InstallerTable& table);

// 1603 when the report holds any "BŁĄD" (or a run cut short), else 3010: the program always asks for a restart.
int UnattendedExitCode(const RunOutcome& outcome);
