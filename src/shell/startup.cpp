// Start-up: the package lies beside the executable, wherever the program was started from.
#include "startup.h"

#include <windows.h>

#include "../copy/path.h"

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
