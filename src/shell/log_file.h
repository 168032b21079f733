// The log of a run without windows: what the dialog would have shown, with a header an administrator
// needs. The floors below report into it through LogLine and LogFormat (base/log.h).
#pragma once

#include <wchar.h>

// Opens the log at path, or, when path is empty, creates a dated file in %TEMP%; writes the header and
// routes LogLine there. Returns 1 when the log is open. A log that cannot be opened or written only
// means that nothing is logged: the run goes on as it would.
int OpenRunLog(const wchar_t* path);

// One line of label (program text) and value (wide text: names and paths from the system).
void LogLabeledWide(const char* label, const wchar_t* value);

// Writes the end time and the exit code into the header and closes the log.
void CloseRunLog(int exitCode);
