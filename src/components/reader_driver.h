// Pieces of the reader driver installer that tests reach directly.
#pragma once

#include <windows.h>

// 1 when the first `length` bytes of a PC/SC reader list hold "GEMPLUS" in any letter case, else 0.
// Only those bytes are read, so a list without its terminating NULs is searched safely.
int ReaderListHasGemplus(const char* list, unsigned long length);

// Loads a DLL from the system directory and from nowhere else; null when it cannot be loaded there.
// `searchFlagsSupported` tells whether LoadLibraryExA understands LOAD_LIBRARY_SEARCH_SYSTEM32.
HMODULE LoadSystemLibrary(const char* name, int searchFlagsSupported);

// Whether this system's loader understands the LOAD_LIBRARY_SEARCH_* flags.
int LoaderHasSearchFlags();
