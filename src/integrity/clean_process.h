// Starting another program from the elevated installer so that nothing the user's own account set in
// its environment steers it: which interpreter runs, which Java classes and agents load.
#pragma once

#include <wchar.h>

enum { kCommandChars = 600 };

// Writes into out (cap wide characters) the environment block `inherited` (NUL-separated entries,
// ended by an empty one) without COMSPEC, CLASSPATH, JAVA_TOOL_OPTIONS, _JAVA_OPTIONS, JDK_JAVA_OPTIONS,
// TEMP and TMP, with "COMSPEC=<comspec>", "CLASSPATH=.", "TEMP=<temp>" and "TMP=<temp>" added where a
// block sorted by name keeps them. Returns the characters written, final NUL included, or 0 when the
// block does not fit.
int BuildCleanEnvironment(const wchar_t* inherited, const wchar_t* comspec, const wchar_t* temp, wchar_t* out,
                          int cap);

// The folder every started program gets as TEMP and TMP: one that only SYSTEM and Administrators may
// change, made fresh for the run. As SYSTEM the inherited one is C:\Windows\Temp, where any user may plant
// the DLLs a driver installer loads from what it unpacks. Null or empty: none, and nothing is started.
void SetStartedProgramsTemp(const char* folder);

// Starts `application` (a full path) with `commandLine` (its first word the program as it expects to
// see it; at most kCommandChars - 1 characters) in the current directory, with this process's
// environment cleaned as above and `flags` added to the creation flags. With exitCode, waits until the
// program ends and stores its exit code; without, leaves it running. Returns 1 when it was started.
int StartCleanProcess(const char* application, const char* commandLine, unsigned long flags,
                      unsigned long* exitCode);

enum StartOutcome { kNotStarted = 0, kStarted = 1, kStillRunning = 2 };

// The same with a deadline: with exitCode, waits at most waitMs milliseconds. Returns kStarted when it was
// started (and, with exitCode, ended in time with its code stored), kStillRunning when it still runs at
// the deadline (it is left running), kNotStarted when it could not be started.
int StartCleanProcessWaiting(const char* application, const char* commandLine, unsigned long flags,
                             unsigned long waitMs, unsigned long* exitCode);
