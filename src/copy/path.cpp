// Bounded path joining.
#include "path.h"

#include <string.h>
#include <windows.h>

#include "../base/bounded_text.h"

int JoinPath(char* path, const char* element)
{
    int n = (int)strnlen(path, kPathBuffer);
    if (n > kMaxPathChars) {
        path[kMaxPathChars] = '\0';
        return 0;
    }
    int fitted = 1;
    if (n > 0 && path[n - 1] != '\\') {
        if (n < kMaxPathChars)
            path[n++] = '\\';
        else
            fitted = 0;
    }
    int i = 0;
    for (; element[i] && n < kMaxPathChars; ++i)
        path[n++] = element[i];
    path[n] = '\0';
    return fitted && element[i] == '\0';
}

int BuildPath(char* path, const char* base, const char* element)
{
    if (!CopyText(path, kPathBuffer, base) || path[0] == '\0')
        return 0;
    return JoinPath(path, element);
}

int ReadSystemDirectory(char* path)
{
    UINT n = GetSystemDirectoryA(path, kPathBuffer);
    return n > 0 && n < kPathBuffer;
}

int ReadWindowsDirectory(char* path)
{
    UINT n = GetWindowsDirectoryA(path, kPathBuffer);
    return n > 0 && n < kPathBuffer;
}
