// The one place any floor reports into the unattended run's log. Until the shell installs a sink every
// call is a no-op, so an interactive run writes nothing and the lower floors need not know which run
// they are in.
#pragma once

enum { kLogLineChars = 1024 };

// Receives one line of Windows-1250 text, without a line end.
typedef void (*LogSink)(const char* line);

void SetLogSink(LogSink sink);  // null: log nothing
int LogIsOpen();
void LogLine(const char* text);
// printf-style; a line longer than kLogLineChars - 1 is cut.
void LogFormat(const char* format, ...);
