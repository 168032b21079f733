// Start-up: the package lies beside the executable, wherever the program was started from.
#include "startup.h"

#include <windows.h>

#include "../copy/path.h"

int EnterExecutableFolder()
{
    // Read wide and converted without best-fit: a name that the ANSI calls cannot spell must not turn
    // into a look-alike folder that someone else may have made.
    wchar_t wide[kPathBuffer];
    DWORD n = GetModuleFileNameW(nullptr, wide, kPathBuffer);
    if (n == 0 || n >= kPathBuffer)
        return 0;
    int cut = -1;
    for (int i = 0; i < (int)n; ++i) {
        if (wide[i] == L'\\')
            cut = i;
    }
    if (cut < 0)
        return 0;
    // Keep the backslash of a drive root ("C:\").
    wide[cut == 2 && wide[1] == L':' ? cut + 1 : cut] = L'\0';
    char path[kPathBuffer];
    BOOL lossy = FALSE;
    bool utf8 = GetACP() == CP_UTF8;  // every name fits; the flags below are refused for it
    int bytes = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, -1, path, kPathBuffer, nullptr,
                                    utf8 ? nullptr : &lossy);
    if (bytes <= 0 || lossy)
        return 0;
    return SetCurrentDirectoryA(path) ? 1 : 0;
}
