// Start-up steps that must run before anything else loads or opens files.
#include "startup.h"

#include <windows.h>

#include "../copy/path.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictDllSearchToSystem()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault =
        kernel ? (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Systems without KB2533623: at least take the current directory out of the search.
    SetDllDirectoryA("");
}

int EnterExecutableFolder()
{
    char path[kPathBuffer];
    DWORD n = GetModuleFileNameA(nullptr, path, kPathBuffer);
    if (n == 0 || n >= kPathBuffer)
        return 0;
    int cut = -1;
    for (int i = 0; i < (int)n; ++i) {
        if (path[i] == '\\')
            cut = i;
    }
    if (cut < 0)
        return 0;
    // Keep the backslash of a drive root ("C:\").
    path[cut == 2 && path[1] == ':' ? cut + 1 : cut] = '\0';
    return SetCurrentDirectoryA(path) ? 1 : 0;
}
