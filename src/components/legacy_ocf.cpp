// Removes the OCF jar of a previous OCF environment from the system directory.
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../copy/path.h"
#include "components.h"

int RemoveLegacyOcfJar(char* message, int capacity)
{
    char path[kPathBuffer];
    if (!ReadSystemDirectory(path))
        return 1;
    if (!JoinPath(path, "ocf1.2.jar"))
        return 1;  // no such file can exist under a cut name: nothing to remove
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return 1;
    if (message)
        CopyText(message, capacity, kMsgLegacyDeleteFailed);
    return 0;
}
