// Routing of log lines to whatever sink the shell installed.
#include "log.h"

#include <stdarg.h>
#include <stdio.h>

namespace {
LogSink g_sink = nullptr;
}

void SetLogSink(LogSink sink)
{
    g_sink = sink;
}

int LogIsOpen()
{
    return g_sink != nullptr;
}

void LogLine(const char* text)
{
    if (g_sink && text)
        g_sink(text);
}

void LogFormat(const char* format, ...)
{
    if (!g_sink || !format)
        return;
    char line[kLogLineChars];
    va_list args;
    va_start(args, format);
    // msvcrt's _vsnprintf does not terminate a cut text.
    _vsnprintf(line, sizeof line, format, args);
    va_end(args);
    line[sizeof line - 1] = '\0';
    g_sink(line);
}
