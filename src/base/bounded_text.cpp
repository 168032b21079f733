// Bounded text copy and formatting for message and path buffers.
#include "bounded_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

int CopyText(char* dst, int cap, const char* src)
{
    if (!dst || cap <= 0)
        return 0;
    int i = 0;
    for (; src && src[i] && i < cap - 1; ++i)
        dst[i] = src[i];
    dst[i] = '\0';
    return !src || src[i] == '\0';
}

int AppendText(char* dst, int cap, const char* src)
{
    if (!dst || cap <= 0)
        return 0;
    int used = (int)strnlen(dst, (size_t)cap);
    if (used >= cap) {
        dst[cap - 1] = '\0';
        return 0;
    }
    return CopyText(dst + used, cap - used, src);
}

int FormatText(char* dst, int cap, const char* format, ...)
{
    if (!dst || cap <= 0)
        return 0;
    va_list args;
    va_start(args, format);
    // msvcrt's _vsnprintf neither terminates a cut text nor writes past count.
    int n = _vsnprintf(dst, (size_t)cap, format, args);
    va_end(args);
    dst[cap - 1] = '\0';
    return n >= 0 && n < cap;
}

int FormatWideText(wchar_t* dst, int cap, const wchar_t* format, ...)
{
    if (!dst || cap <= 0)
        return 0;
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(dst, (size_t)cap, format, args);
    va_end(args);
    dst[cap - 1] = L'\0';
    return n >= 0 && n < cap;
}
