// Pieces of the reader driver installer that tests reach directly.
#pragma once

#include <windows.h>

// 1 when the first `length` bytes of a PC/SC reader list hold "GEMPLUS" in any letter case, else 0.
// Only those bytes are read, so a list without its terminating NULs is searched safely.
int ReaderListHasGemplus(const char* list, unsigned long length);
