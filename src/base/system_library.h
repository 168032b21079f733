// Loading system DLLs from the system directory and from nowhere else. The installer runs elevated,
// usually from a download folder that other programs can write to.
#pragma once

#include <windows.h>

// Whether this system's loader understands the LOAD_LIBRARY_SEARCH_* flags (KB2533623 and later).
int LoaderHasSearchFlags();

// Restricts every later DLL search of this process to the system directory. Where the loader is too
// old for that, at least the current directory leaves the search.
void RestrictDllSearchToSystem();

// Loads `name` from the system directory only; null when it cannot be loaded from there.
// `searchFlagsSupported` tells whether LoadLibraryExA understands LOAD_LIBRARY_SEARCH_SYSTEM32; without
// it the DLL is loaded by its full path.
HMODULE LoadSystemLibrary(const char* name, int searchFlagsSupported);
