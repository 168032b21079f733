// Routing of log lines to whatever sink the shell installed.
#include "log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "ui_text.h"

namespace {

LogSink g_sink = nullptr;

// Widens count bytes of text in codePage onto the end of line, cutting what does not fit.
void Append(wchar_t* line, int* used, const char* text, int count, UINT codePage)
{
    int room = kLogLineChars - 1 - *used;
    if (count <= 0 || room <= 0)
        return;
    int n = MultiByteToWideChar(codePage, 0, text, count, line + *used, room);
    if (n <= 0)  // too long: what fits, one character per byte at most
        n = MultiByteToWideChar(codePage, 0, text, count < room ? count : room, line + *used, room);
    *used += n > 0 ? n : 0;
}

void AppendText(wchar_t* line, int* used, const char* text, UINT codePage)
{
    Append(line, used, text ? text : "", text ? (int)strlen(text) : 0, codePage);
}

}  // namespace

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
    if (!g_sink || !text)
        return;
    do {
        const char* end = strchr(text, '\n');
        int length = end ? (int)(end - text) : (int)strlen(text);
        wchar_t line[kLogLineChars];
        int used = 0;
        Append(line, &used, text, length > 0 && text[length - 1] == '\r' ? length - 1 : length, kCodePageProgram);
        line[used] = L'\0';
        g_sink(line);
        text = end ? end + 1 : nullptr;
    } while (text && *text);
}

void LogFormat(const char* format, ...)
{
    if (!g_sink || !format)
        return;
    wchar_t line[kLogLineChars];
    int used = 0;
    va_list args;
    va_start(args, format);
    for (const char* p = format; *p;) {
        const char* run = p;
        while (*p && *p != '%')
            ++p;
        Append(line, &used, run, (int)(p - run), kCodePageProgram);
        if (!*p)
            break;
        bool isLong = p[1] == 'l';
        char spec = p[isLong ? 2 : 1];
        p += spec ? (isLong ? 3 : 2) : 1;
        char number[24];
        switch (spec) {
        case 's':
            AppendText(line, &used, va_arg(args, const char*), kCodePageProgram);
            break;
        case '@':
            AppendText(line, &used, va_arg(args, const char*), CP_ACP);
            break;
        case 'd':
            _snprintf(number, sizeof number, "%ld", isLong ? va_arg(args, long) : (long)va_arg(args, int));
            number[sizeof number - 1] = '\0';
            AppendText(line, &used, number, kCodePageProgram);
            break;
        case 'u':
            _snprintf(number, sizeof number, "%lu",
                      isLong ? va_arg(args, unsigned long) : (unsigned long)va_arg(args, unsigned));
            number[sizeof number - 1] = '\0';
            AppendText(line, &used, number, kCodePageProgram);
            break;
        case '%':
            Append(line, &used, "%", 1, kCodePageProgram);
            break;
        default:
            break;  // nothing this program writes; its argument, if any, is not read
        }
    }
    va_end(args);
    line[used] = L'\0';
    g_sink(line);
}
