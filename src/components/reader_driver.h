// Pieces of the reader driver installer that tests reach directly.
#pragma once

#include <windows.h>

// 1 when the first `length` bytes of a PC/SC reader list hold "GEMPLUS" in any letter case, else 0.
// Only those bytes are read, so a list without its terminating NULs is searched safely.
int ReaderListHasGemplus(const char* list, unsigned long length);

// How the driver installer `file` in the current directory is started: application (a path buffer)
// and commandLine (capacity characters). A batch file runs in the system directory's cmd.exe with
// /d /c, anything else by its full path. Returns 0 when a name does not fit.
int BuildDriverCommand(const char* file, char* application, char* commandLine, int capacity);

// How long an unattended run waits for the driver installer, in seconds (at most kMaxDriverWait); 0,
// the default, starts it and goes on, as the dialog's run always does. Its exit code then goes into the
// log: 0, 3010 and 1641 are success, any other code or a run past the deadline an error.
enum { kMaxDriverWait = 999999 };
void SetDriverWait(unsigned long seconds);
