// The one place any floor reports into the unattended run's log. Until the shell installs a sink every
// call is a no-op, so an interactive run writes nothing and the lower floors need not know which run
// they are in.
#pragma once

enum { kLogLineChars = 1024 };

// Receives one line, without a line end.
typedef void (*LogSink)(const wchar_t* line);

void SetLogSink(LogSink sink);  // null: log nothing
int LogIsOpen();
// Windows-1250 program text; each of its line breaks starts a new line, and one that ends it ends the last.
void LogLine(const char* text);
// Like printf with %s (Windows-1250 program text), %d, %u, %ld, %lu and %%, and %@ for text the system
// gave in its own code page for non-Unicode programs, such as a path: on a PC that does not use
// Windows-1250 its letters would otherwise read as others. A line longer than kLogLineChars - 1 is cut.
void LogFormat(const char* format, ...);
