// The DLL search restriction and system-directory loads shared by start-up and the components.
#include "system_library.h"

#include <string.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

int LoaderHasSearchFlags()
{
    // The flags came with AddDllDirectory; where it is missing they are rejected.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel && GetProcAddress(kernel, "AddDllDirectory") ? 1 : 0;
}

void RestrictDllSearchToSystem()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault =
        kernel ? (SetDefaultDllDirectoriesFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryA("");
}

HMODULE LoadSystemLibrary(const char* name, int searchFlagsSupported)
{
    if (searchFlagsSupported)
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char path[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(path, MAX_PATH + 1);
    size_t nameLength = strlen(name);
    if (n == 0 || n > MAX_PATH || n + 1 + nameLength > MAX_PATH)
        return nullptr;
    path[n] = '\\';
    memcpy(path + n + 1, name, nameLength + 1);
    // A full path, and its own imports looked up beside it first rather than in the working directory.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
